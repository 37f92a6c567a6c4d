#include "tools/windows_tools.h"

#include "platform/path_rules.h"

namespace vexo::tools {

namespace {

std::string System32(platform::Environment& environment) {
    return platform::paths::Join(environment.Get("WINDIR").value_or(std::string()), "System32");
}

} // namespace

std::string System32Program(platform::Environment& environment, std::string_view name) {
    return platform::paths::Join(System32(environment), name);
}

platform::ProcessLaunch ShutdownLaunch(platform::Environment& environment,
                                       std::string_view arguments) {
    platform::ProcessLaunch launch;
    launch.application = System32Program(environment, "shutdown.exe");
    launch.commandLine = "\"" + launch.application + "\" " + std::string(arguments);
    launch.noWindow = true;
    return launch;
}

platform::ShellLaunch RepairLaunch(platform::Environment& environment,
                                   platform::NativeWindow owner) {
    platform::ShellLaunch launch;
    launch.verb = "runas";
    launch.file = System32Program(environment, "cmd.exe");
    launch.arguments = std::string(kRepairArguments);
    launch.workingFolder = System32(environment);
    launch.owner = owner;
    launch.wantProcess = true;
    launch.noErrorUi = true;
    return launch;
}

} // namespace vexo::tools
