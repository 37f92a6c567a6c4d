// The functions guide: one read-only, wrapped, right-to-left text box with
// the guide shown line by line with CR LF.

#include "tools/tools_fixture.h"

namespace vexo::tools {
namespace {

class FunctionsGuideTest : public testing::ToolsFixture {
protected:
    std::vector<toolkit::TextBox*> Boxes() { return All<toolkit::TextBox>(window->Stage()); }
};

TEST(GuideText, IsStoredWithLfAndShownWithCrLfOnEveryLine) {
    EXPECT_EQ(kGuideText.find('\r'), std::string_view::npos);
    const std::string shown = GuideDisplayText();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < shown.size()) {
        const std::size_t end = shown.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "the last line has no CR LF";
        lines.push_back(shown.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 64u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
    EXPECT_EQ(lines[0], "VEXO OSTREL v13 — الوظائف المتاحة");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "1. عرض الأقراص المتاحة وبطاقات المساحة.");
    EXPECT_EQ(lines[52], "50. التحقق من إصدار جديد وفتح صفحة تنزيله بعد موافقتك.");
    EXPECT_EQ(lines[53], "");
    EXPECT_EQ(lines[54], "الحدود الفعلية:");
}

TEST_F(FunctionsGuideTest, OpensAsOneReadOnlyWrappedRightToLeftTextBox) {
    Start();
    ChooseMore("دليل الوظائف");
    EXPECT_EQ(Heading(), kGuideHeading);
    // Its marker is never shown: no visible button carries the highlight.
    for (Section s : {Section::Home, Section::MyFiles, Section::Applications, Section::DiskSpace,
                      Section::CleanupReport}) {
        EXPECT_EQ(Nav(s).backColor(), shell::palette::kWhite);
    }
    EXPECT_EQ(Nav(Section::FunctionsGuide).backColor(), shell::kNavSelectedBack);

    ASSERT_EQ(Boxes().size(), 1u);
    toolkit::TextBox& box = *Boxes().front();
    EXPECT_EQ(&box, &View());
    EXPECT_EQ(box.dock(), toolkit::Dock::Fill);
    EXPECT_EQ(box.text(), GuideDisplayText());
    EXPECT_TRUE(box.multiline());
    EXPECT_TRUE(box.readOnly());
    EXPECT_TRUE(box.wordWrap());
    EXPECT_EQ(box.scrollBars(), toolkit::ScrollBars::Vertical);
    EXPECT_TRUE(box.rightToLeft());
    EXPECT_EQ(box.font(), (toolkit::Font{"Segoe UI", 12.0f, false}));
    EXPECT_EQ(box.backColor(), toolkit::Color::rgb(255, 255, 255));
    EXPECT_EQ(box.foreColor(), toolkit::Color::rgb(23, 58, 108));

    // The user reads, selects and copies, but changes nothing.
    EXPECT_FALSE(box.userType("x"));
    EXPECT_EQ(box.text(), GuideDisplayText());
}

TEST_F(FunctionsGuideTest, OpenedTwiceInARowShowsOneTextBox) {
    Start();
    ChooseMore("دليل الوظائف");
    ChooseMore("دليل الوظائف");
    EXPECT_EQ(Heading(), kGuideHeading);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(window->Stage().children().size(), 1u);
}

} // namespace
} // namespace vexo::tools
