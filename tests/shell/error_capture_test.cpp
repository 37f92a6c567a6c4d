// What happens to errors nobody caught: in a handler while idle (logged,
// shown, the application ends), in a handler while work runs (logged, shown,
// the window stays), and in a start-up step (logged, shown, start-up goes on).

#include "shell/error_capture.h"
#include "shell/shell_fixture.h"
#include "ui_application.h"

namespace vexo::shell {
namespace {

using toolkit::DialogResult;

class ErrorCaptureTest : public testing::ShellFixture {
protected:
    ErrorCaptureTest() {
        machine.SetKnownFolder(platform::KnownFolder::LocalAppData,
                               "C:\\Users\\ali\\AppData\\Local");
    }

    // Runs the whole application with Home and one failing More-menu section,
    // acting as the user inside the modal loop.
    int Run(std::function<void(SectionContext&)> failingOpen,
            std::function<void(toolkit::Form&)> user,
            std::function<void()> enableVisualStyles = {}) {
        UiStartup startup;
        startup.enableVisualStyles = std::move(enableVisualStyles);
        startup.registerSections = [failingOpen](SectionCatalog& c) {
            RegisterHome(c);
            c.Add(Section::DeviceBrowser, Stub({.build = [failingOpen](SectionContext& s) {
                      failingOpen(s);
                      return std::make_unique<toolkit::Panel>();
                  }}));
        };
        ui.expectModal(std::move(user));
        return RunUiApplication(ui.app(), machine, startup);
    }
    void ChooseMoreIn(toolkit::Form& form, const std::string& entry) {
        ui.click(toolkit::headless::HeadlessApp::get<toolkit::Control>(form, "المزيد  ▾"));
        ui.chooseMenuItem(entry);
    }
};

TEST(FullErrorText, NamesTheTypeAndEveryNestedError) {
    try {
        try {
            throw std::out_of_range("index 7");
        } catch (...) {
            std::throw_with_nested(std::runtime_error("reading the drive"));
        }
    } catch (...) {
        const std::string text = FullErrorText(std::current_exception());
        EXPECT_NE(text.find("runtime_error: reading the drive"), std::string::npos) << text;
        EXPECT_NE(text.find("\r\n ---> std::out_of_range: index 7"), std::string::npos) << text;
    }
}

TEST_F(ErrorCaptureTest, HandlerErrorWhileIdleIsLoggedShownAndEndsTheApplication) {
    bool closedByCapture = false;
    const int status = Run([](SectionContext&) { throw std::runtime_error("boom"); },
                           [&](toolkit::Form& form) {
                               ui.expectMessageBox(DialogResult::Ok);
                               ChooseMoreIn(form, "كل ملفات الجهاز");
                               closedByCapture = !form.shown();
                               if (form.shown()) {
                                   form.requestClose();
                               }
                           });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(closedByCapture);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    const auto& box = ui.shownMessageBoxes()[0];
    EXPECT_FALSE(box.hasOwner);
    EXPECT_EQ(box.caption, "VEXO SOLVANE");
    EXPECT_EQ(box.icon, toolkit::MessageIcon::Error);
    EXPECT_EQ(box.text, "توقفت الواجهة بسبب خطأ. أغلقنا التطبيق لمنع استمرار عملية غير واضحة. "
                        "التفاصيل في سجل التشخيص.\r\nboom");
    EXPECT_NE(LogText().find(" UI ERROR: std::runtime_error: boom\r\n"), std::string::npos)
        << LogText();
}

TEST_F(ErrorCaptureTest, HandlerErrorWhileWorkRunsKeepsTheWindowOpen) {
    bool stayedOpen = false;
    int stops = 0;
    // Held past the error, as work that goes on would hold it.
    base::Lease analysis;
    const int status = Run(
        [&](SectionContext& s) {
            analysis = s.HoldEmbedded([&] { ++stops; });
            throw std::runtime_error("analysis failed");
        },
        [&](toolkit::Form& form) {
            ui.expectMessageBox(DialogResult::Ok); // the error
            ui.expectMessageBox(DialogResult::Ok); // the close guard's wait message
            ChooseMoreIn(form, "كل ملفات الجهاز");
            stayedOpen = form.shown();
            analysis.Release();
            EXPECT_TRUE(form.requestClose());
        });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(stops, 1);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 2u);
    EXPECT_EQ(ui.shownMessageBoxes()[0].caption, "VEXO SOLVANE");
    EXPECT_EQ(ui.shownMessageBoxes()[1].text, "انتظر إيقاف التحليل أو اكتمال الإزالة قبل الإغلاق.");
    EXPECT_NE(LogText().find(" UI ERROR: std::runtime_error: analysis failed"), std::string::npos);
}

TEST_F(ErrorCaptureTest, FailedStartupStepIsReportedAndStartupGoesOn) {
    bool shown = false;
    ui.expectMessageBox(DialogResult::Ok);
    const int status = Run([](SectionContext&) {},
                           [&](toolkit::Form& form) {
                               shown = true;
                               form.requestClose();
                           },
                           [] { throw std::runtime_error("no visual styles"); });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shown);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    const auto& box = ui.shownMessageBoxes()[0];
    EXPECT_FALSE(box.hasOwner);
    EXPECT_EQ(box.caption, "Vexo — خطأ واضح");
    EXPECT_EQ(box.icon, toolkit::MessageIcon::None);
    EXPECT_EQ(box.text, "تعذر إكمال العملية. التفاصيل محفوظة في سجل التشخيص.\r\n"
                        "std::runtime_error: no visual styles");
    EXPECT_NE(LogText().find(" STARTUP/EVENT: std::runtime_error: no visual styles\r\n"),
              std::string::npos);
}

TEST_F(ErrorCaptureTest, WindowThatCannotBeBuiltCostsOneMessagePerStep) {
    UiStartup startup;
    startup.registerSections = [](SectionCatalog&) { throw std::runtime_error("no sections"); };
    ui.expectMessageBox(DialogResult::Ok);
    ui.expectMessageBox(DialogResult::Ok);
    EXPECT_EQ(RunUiApplication(ui.app(), machine, startup), 0);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 2u);
    EXPECT_NE(ui.shownMessageBoxes()[0].text.find("no sections"), std::string::npos);
    EXPECT_NE(ui.shownMessageBoxes()[1].text.find("not built"), std::string::npos);
}

} // namespace
} // namespace vexo::shell
