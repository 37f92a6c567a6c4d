#include "shell/error_capture.h"

#include "diagnostics/diagnostics.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <string_view>
#include <typeinfo>

namespace vexo::shell {

namespace {

std::string TypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && readable ? readable.get() : type.name();
    // std::throw_with_nested wraps the thrown type; the reader wants that type.
    constexpr std::string_view kWrapper = "std::_Nested_exception<";
    if (name.starts_with(kWrapper) && name.ends_with('>')) {
        name = name.substr(kWrapper.size(), name.size() - kWrapper.size() - 1);
    }
    return name;
}

void Describe(std::exception_ptr error, std::string& out, int depth) {
    if (!error || depth > 16) {
        return;
    }
    if (depth > 0) {
        out += "\r\n ---> ";
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        out += TypeName(typeid(e));
        out += ": ";
        out += e.what();
        if (const auto* nested = dynamic_cast<const std::nested_exception*>(&e)) {
            Describe(nested->nested_ptr(), out, depth + 1);
        }
    } catch (...) {
        out += "unknown error";
    }
}

} // namespace

std::string FullErrorText(std::exception_ptr error) {
    std::string out;
    Describe(error, out, 0);
    return out;
}

void VexoErrors23::Install(toolkit::Application& app, platform::Machine& machine,
                           std::function<void()> requestExit) {
    app.onError = [&app, &machine, requestExit](const toolkit::ErrorReport& report) {
        diagnostics::WriteUiErrorEntry(machine, FullErrorText(report.error));
        toolkit::MessageBoxArgs box;
        box.text = diagnostics::UiErrorMessageText(report.message);
        box.caption = std::string(diagnostics::kUiErrorCaption);
        box.icon = toolkit::MessageIcon::Error;
        app.messageBox(box);
        if (requestExit) {
            requestExit();
        }
    };
}

bool RunStartupStep(toolkit::Application& app, platform::Machine& machine,
                    const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (...) {
        const std::string full = FullErrorText(std::current_exception());
        diagnostics::WriteStartupEntry(machine, full);
        try {
            toolkit::MessageBoxArgs box;
            box.text = diagnostics::StartupErrorMessageText(full);
            box.caption = std::string(diagnostics::kStartupErrorCaption);
            app.messageBox(box);
        } catch (...) {
            // Nothing more can be told; start-up goes on.
        }
        return false;
    }
}

} // namespace vexo::shell
