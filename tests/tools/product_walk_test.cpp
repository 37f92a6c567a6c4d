// The product as it is registered: every navigation button, every button of
// Home and every entry of the More menu opens its section or starts its tool.

#include "tools/tools_fixture.h"
#include "ui_application.h"

#include <chrono>
#include <set>
#include <thread>

namespace vexo::tools {
namespace {

using toolkit::headless::HeadlessApp;

constexpr std::string_view kHomeHeading = "تحكّم أذكى. مساحة أوسع.";

class ProductWalkTest : public testing::ToolsFixture {
protected:
    void OpenProduct() {
        shell::SectionCatalog catalog;
        shell::RegisterProductSections(catalog, machine);
        window = std::make_unique<shell::MainWindow>(ui.app(), machine, std::move(catalog));
        window->Window().show();
    }
    // Lets the work a section starts on opening (My Files' crawl, the list
    // of programs) end on its threads and be taken over by its timers, so
    // that the next click is not refused as busy. Bounded.
    void Settle() {
        for (int round = 0; round < 1000 && (window->Busy().busy || window->Busy().embeddedBusy);
             ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ui.advanceTime(200);
        }
        ASSERT_FALSE(window->Busy().embeddedBusy) << "the section's work did not end";
    }
    // The section just opened: its heading, its button marked, its content on
    // the stage.
    void ExpectOpened(Section section, std::string_view heading) {
        Settle();
        EXPECT_EQ(Heading(), heading);
        EXPECT_EQ(Nav(section).backColor(), shell::kNavSelectedBack);
        EXPECT_NE(window->OpenedSection(), nullptr);
        EXPECT_EQ(window->Stage().children().size(), 1u);
    }
};

// More entries whose work belongs to other parts of the product and is not
// in this build yet: they open nothing and say nothing. Each is taken out of
// this list when its section or tool is registered.
TEST_F(ProductWalkTest, EveryButtonAndMenuEntryOpensItsSectionOrTool) {
    machine.ScriptProcess("C:\\Windows\\System32\\cleanmgr.exe", {});
    Write(std::string(kDataFolder) + "\\Diagnostics.txt", "entry\r\n");
    OpenProduct();
    ExpectOpened(Section::Home, kHomeHeading);

    struct NavEntry {
        Section section;
        std::string_view heading;
    } navigation[] = {
        {Section::MyFiles, "ملفاتي — حدّد وانقل للسلة"},
        {Section::Applications, "البرامج المثبّتة — إزالة بالتتابع"},
        {Section::DiskSpace, "مساحة جهازك — أرقام فعلية"},
        {Section::CleanupReport, kReportHeading},
        {Section::Home, kHomeHeading},
    };
    for (const NavEntry& n : navigation) {
        SCOPED_TRACE(n.heading);
        ui.click(Nav(n.section));
        ExpectOpened(n.section, n.heading);
    }

    struct HomeButton {
        const char* text;
        Section section;
        std::string_view heading;
    } home[] = {
        {"راجع ملفاتي  ←", Section::MyFiles, "ملفاتي — حدّد وانقل للسلة"},
        {"ملفاتي\r\nبحث • تحديد • مراجعة الحذف", Section::MyFiles, "ملفاتي — حدّد وانقل للسلة"},
        {"التطبيقات\r\nعرض البرامج المثبتة وإزالتها بالتتابع", Section::Applications,
         "تطبيقاتك — اختار ثم أزل"},
    };
    for (const HomeButton& b : home) {
        SCOPED_TRACE(b.text);
        ui.click(Nav(Section::Home));
        ui.click(HeadlessApp::get<toolkit::Button>(window->Stage(), b.text));
        ExpectOpened(b.section, b.heading);
    }

    // Each More entry opens a section (its heading) or starts a tool (the
    // program the shell is asked for).
    struct MoreEntry {
        const char* text;
        std::optional<Section> section;
        std::string_view heading;
        std::string_view program;
    } more[] = {
        {"كل ملفات الجهاز", Section::DeviceBrowser, "كل ملفات الجهاز", {}},
        {"تحليل المجلدات", Section::FolderAnalysis, "تحليل المجلدات", {}},
        {"ملفات مؤقتة", Section::TemporaryFiles, "ملفات مؤقتة — مراجعة قبل الحذف", {}},
        {"سلة المحذوفات", std::nullopt, {}, "explorer.exe"},
        {"تنظيف ويندوز", std::nullopt, {}, "C:\\Windows\\System32\\cleanmgr.exe"},
        {"التحديثات", std::nullopt, {}, {}},
        {"سجل التشخيص", std::nullopt, {}, "notepad.exe"},
        {"دليل الوظائف", Section::FunctionsGuide, kGuideHeading, {}},
    };
    for (const MoreEntry& m : more) {
        SCOPED_TRACE(m.text);
        ui.click(Nav(Section::Home));
        const std::size_t calls = machine.ShellCalls().size();
        const std::size_t requests = machine.HttpRequests().size();
        const bool asksTheUpdateHost = m.program.empty() && !m.section;
        if (asksTheUpdateHost) {
            ui.expectMessageBox(toolkit::DialogResult::Ok); // no update host here
        }
        ChooseMore(m.text);
        if (asksTheUpdateHost) {
            EXPECT_EQ(machine.HttpRequests().size(), requests + 1);
            EXPECT_EQ(Heading(), kHomeHeading);
        } else if (m.section) {
            ExpectOpened(*m.section, m.heading);
        } else {
            ASSERT_EQ(machine.ShellCalls().size(), calls + 1);
            EXPECT_EQ(machine.ShellCalls().back().file, m.program);
            EXPECT_EQ(Heading(), kHomeHeading);
        }
    }
    EXPECT_EQ(ui.shownMessageBoxes().size(), 1u) << "the update check's answer alone";
}

} // namespace
} // namespace vexo::tools
