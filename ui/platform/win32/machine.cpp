#include "platform/win32/factories.h"
#include "platform/win32/win32_machine.h"

namespace vexo::platform::win32 {
namespace {

class Win32Machine final : public Machine {
public:
    Files& files() override { return *files_; }
    Volumes& volumes() override { return *volumes_; }
    Environment& environment() override { return *environment_; }
    Registry& registry() override { return *registry_; }
    Processes& processes() override { return *processes_; }
    RecycleBin& recycleBin() override { return *recycleBin_; }
    Http& http() override { return *http_; }
    Clock& clock() override { return *clock_; }

private:
    std::unique_ptr<Files> files_ = MakeFiles();
    std::unique_ptr<Volumes> volumes_ = MakeVolumes();
    std::unique_ptr<Environment> environment_ = MakeEnvironment();
    std::unique_ptr<Registry> registry_ = MakeRegistry();
    std::unique_ptr<Processes> processes_ = MakeProcesses();
    std::unique_ptr<RecycleBin> recycleBin_ = MakeRecycleBin();
    std::unique_ptr<Http> http_ = MakeHttp();
    std::unique_ptr<Clock> clock_ = MakeClock();
};

} // namespace

std::unique_ptr<Machine> CreateWin32Machine() {
    return std::make_unique<Win32Machine>();
}

} // namespace vexo::platform::win32
