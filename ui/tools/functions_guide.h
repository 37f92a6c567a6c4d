#pragma once
// The functions guide: a read-only page listing what the product does and
// the limits it really has, in the user's language. Reached from the More
// menu; its section button is a marker that is never shown, so no visible
// button is highlighted while it is open.

#include "shell/section.h"

#include <string>
#include <string_view>

namespace vexo::tools {

// The guide as stored: one line per function or limit, each ended by LF.
extern const std::string_view kGuideText;

// The guide as the text box shows it: every LF made CR LF, the last line's
// included.
std::string GuideDisplayText();

// The guide's colours and font; the window's shared palette is not applied.
inline constexpr toolkit::Color kGuideBack = toolkit::Color::rgb(255, 255, 255);
inline constexpr toolkit::Color kGuideFore = toolkit::Color::rgb(23, 58, 108);

// One opening of the guide: a single text box filling the stage.
class FunctionsGuideSection final : public shell::ShellSection {
public:
    std::unique_ptr<toolkit::Control> Build() override;
    // The guide's own colours, over the window's palette pass.
    void Shown() override;

    toolkit::TextBox& textBox() { return *box_; }

private:
    // Owned by the stage.
    toolkit::TextBox* box_ = nullptr;
};

// Opens the guide through the shell (busy test, marker, heading).
void ShowGuide16(shell::SectionContext& context);

// Adds the guide to the catalog.
void RegisterFunctionsGuide(shell::SectionCatalog& catalog);

} // namespace vexo::tools
