#pragma once
// A machine that hands every service out of another one: the base of the
// test machines that swap one or two services of the emulated machine for
// doubles and leave the rest as it is.

#include "platform/machine.h"

namespace vexo::testing {

class ForwardingMachine : public platform::Machine {
public:
    explicit ForwardingMachine(platform::Machine& inner) : inner_(inner) {}

    platform::Files& files() override { return inner_.files(); }
    platform::Volumes& volumes() override { return inner_.volumes(); }
    platform::Environment& environment() override { return inner_.environment(); }
    platform::Registry& registry() override { return inner_.registry(); }
    platform::Processes& processes() override { return inner_.processes(); }
    platform::RecycleBin& recycleBin() override { return inner_.recycleBin(); }
    platform::Http& http() override { return inner_.http(); }
    platform::Clock& clock() override { return inner_.clock(); }

protected:
    platform::Machine& inner_;
};

} // namespace vexo::testing
