// OpenTool on the real shell under Wine: a program that cannot be opened is
// told once, in our words, and the shell puts up no window of its own.

#include "base/utf.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/windows_api.h"
#include "shell/main_window.h"
#include "toolkit/headless/headless_app.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vexo::shell {
namespace {

// Every top-level window made on this thread while the watch stands is
// recorded by its class name and refused, so that a modal box of the shell
// cannot hold the test up. Message-only windows and the input-method window
// the system makes for any thread are not windows a user sees.
class TopLevelWindowWatch {
public:
    TopLevelWindowWatch() {
        current_ = this;
        hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    }
    ~TopLevelWindowWatch() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    TopLevelWindowWatch(const TopLevelWindowWatch&) = delete;
    TopLevelWindowWatch& operator=(const TopLevelWindowWatch&) = delete;

    bool installed() const { return hook_ != nullptr; }
    const std::vector<std::string>& refused() const { return refused_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_CREATEWND && current_) {
            const CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
            wchar_t name[64] = {};
            GetClassNameW(reinterpret_cast<HWND>(wp), name, 64);
            const std::wstring cls = name;
            if (!(create.style & WS_CHILD) && create.hwndParent != HWND_MESSAGE && cls != L"IME") {
                current_->refused_.push_back(base::Narrow(cls));
                return 1; // the window is not made
            }
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    static inline TopLevelWindowWatch* current_ = nullptr;
    HHOOK hook_ = nullptr;
    std::vector<std::string> refused_;
};

TEST(OpenToolOnWindows, AMissingProgramIsToldOnceAndTheShellShowsNoBox) {
    toolkit::headless::HeadlessApp ui;
    std::unique_ptr<platform::Machine> machine = platform::win32::CreateWin32Machine();
    MainWindow window(ui.app(), *machine, SectionCatalog{});
    const std::string missing = machine->environment().TempPath() + "vexo-no-such-program.exe";
    ASSERT_FALSE(machine->files().Exists(missing));

    ui.expectMessageBox(toolkit::DialogResult::Ok);
    std::vector<std::string> refused;
    {
        TopLevelWindowWatch watch;
        ASSERT_TRUE(watch.installed());
        window.OpenTool(missing, "");
        refused = watch.refused();
    }
    EXPECT_EQ(refused, std::vector<std::string>{}) << "the shell made windows of its own";
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    const std::string& text = ui.shownMessageBoxes()[0].text;
    EXPECT_EQ(text.rfind("تعذر الفتح: ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("تعذر الفتح: ").size()) << "the platform's text follows";
}

} // namespace
} // namespace vexo::shell
