#include "toolkit/application.h"

namespace vexo::toolkit {

Application::Application(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}

Application::~Application() = default;

void Application::dispatch(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        ErrorReport report{std::current_exception(), "unknown error"};
        try {
            throw;
        } catch (const std::exception& e) {
            report.message = e.what();
        } catch (...) {
        }
        if (onError) {
            // The hook itself must not let an error through a window procedure.
            try {
                onError(report);
            } catch (...) {
            }
        }
    }
}

} // namespace vexo::toolkit
