#include "files/section_parts.h"

namespace vexo::files {

toolkit::Button* AddButton(toolkit::FlowLayout& bar, std::string_view text) {
    toolkit::ButtonArgs args;
    args.text = std::string(text);
    args.autoSize = true;
    args.minimumSize = toolkit::Size{0, 32};
    args.padding = toolkit::Spacing{8, 0, 8, 0};
    return bar.add<toolkit::Button>(args);
}

std::string Trim(const std::string& text) {
    const char* space = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(space);
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

std::string ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace vexo::files
