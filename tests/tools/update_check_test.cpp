// The More menu's update check in the main window, on the emulated machine:
// the request it makes, and what the user is shown for every answer.

#include "platform/windows_errors.h"
#include "shell/shell_fixture.h"
#include "tools/published_version.h"
#include "tools/update_check.h"

#include <gmock/gmock.h>

namespace vexo::testing {
namespace {

using toolkit::DialogResult;
using toolkit::MessageButtons;
using toolkit::MessageIcon;

constexpr const char* kEntry = "التحديثات";
constexpr const char* kTitle = "VEXO SOLVANE | إدارة الجهاز — v23";
constexpr const char* kFailed =
    "تعذر فحص التحديث. تأكد من الإنترنت وحاول مجدداً. لم يتم تغيير التطبيق.\r\n";
constexpr const char* kNotAVersion = "استجابة التحديث غير صالحة";

class UpdateCheckTest : public ShellFixture {
protected:
    // 5 March 2024 23:30 UTC.
    static constexpr platform::FileTime kNow = 133541550000000000;
    static constexpr const char* kTicks = "638452782000000000";

    UpdateCheckTest() {
        machine.SetUtcNow(kNow);
        Open([](shell::SectionCatalog& c) { tools::RegisterUpdateCheck(c); });
        url = tools::VersionFileUrl(kNow);
    }

    // Runs the check from the menu and gives the one box it showed.
    toolkit::headless::ShownMessageBox Check() {
        const std::size_t before = ui.shownMessageBoxes().size();
        ChooseMore(kEntry);
        EXPECT_EQ(ui.shownMessageBoxes().size(), before + 1);
        return ui.shownMessageBoxes().back();
    }

    // A plain Tell: the main window's, caption "فيكسو", OK, no icon.
    void ExpectTold(const toolkit::headless::ShownMessageBox& box, const std::string& text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "فيكسو");
        EXPECT_EQ(box.owner, kTitle);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        EXPECT_EQ(box.icon, MessageIcon::None);
        EXPECT_FALSE(box.rightToLeftReading);
    }

    std::string url;
};

TEST_F(UpdateCheckTest, AsksTheHostAfreshWithItsOwnAddressAgentAndBounds) {
    EXPECT_EQ(url,
              "https://" + std::string(tools::kUpdateHost) + "/tolvik/version.txt?t=" + kTicks);
    machine.ScriptHttp(url, {200, "23"});
    ui.expectMessageBox(DialogResult::Ok);
    Check();
    ASSERT_EQ(machine.HttpRequests().size(), 1u);
    const platform::HttpRequest sent = machine.HttpRequests().front();
    EXPECT_EQ(sent.url, url);
    EXPECT_EQ(sent.userAgent, "VexoTolvik/23");
    EXPECT_EQ(sent.responseTimeoutMs, 5000);
    EXPECT_EQ(sent.readTimeoutMs, 5000);

    // A later check has an address of its own.
    machine.SetUtcNow(kNow + 10'000'000);
    const std::string later = tools::VersionFileUrl(kNow + 10'000'000);
    EXPECT_NE(later, url);
    machine.ScriptHttp(later, {200, "23"});
    ui.expectMessageBox(DialogResult::Ok);
    Check();
    EXPECT_EQ(machine.HttpRequests().back().url, later);
    EXPECT_TRUE(machine.ShellCalls().empty());
}

TEST_F(UpdateCheckTest, ANewerVersionAsksAndYesOpensTheDownloadPage) {
    for (DialogResult answer : {DialogResult::No, DialogResult::Yes}) {
        machine.ScriptHttp(url, {200, "24\r\n"});
        ui.expectMessageBox(answer);
        const auto box = Check();
        EXPECT_EQ(box.text, "نسختك v23، والإصدار المتاح v24. هل تريد فتح صفحة تحميل التحديث؟");
        EXPECT_EQ(box.caption, "تحديث فيكسو");
        EXPECT_EQ(box.owner, kTitle);
        EXPECT_EQ(box.buttons, MessageButtons::YesNo);
        EXPECT_EQ(box.icon, MessageIcon::Information);
    }
    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 1u) << "only Yes opens the page";
    EXPECT_EQ(calls[0].verb, "open");
    EXPECT_EQ(calls[0].file, tools::DownloadPageUrl());
    EXPECT_EQ(calls[0].arguments, "");
    EXPECT_EQ(tools::DownloadPageUrl(),
              "https://" + std::string(tools::kUpdateHost) + "/tolvik/index.html");
    // The section stays as it was.
    EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
}

TEST_F(UpdateCheckTest, EveryAnswerEndsInItsMessage) {
    struct Case {
        const char* what;
        platform::HttpResponse response;
        std::string told;
    };
    const Case cases[] = {
        {"the running version", {200, "23"}, "نسختك v23 هي الأحدث حالياً."},
        {"023 is 23", {200, "023\r\n"}, "نسختك v23 هي الأحدث حالياً."},
        {"an older version, no leading zeros",
         {200, "007"},
         "نسختك v23 أحدث من الإصدار المعلن على الموقع v7. لا تحتاج تنزيل إصدار أقدم."},
        {"another success status", {203, "23"}, "نسختك v23 هي الأحدث حالياً."},
        {"0", {200, "0"}, std::string(kFailed) + kNotAVersion},
        {"1000", {200, "1000"}, std::string(kFailed) + kNotAVersion},
        {"2.4", {200, "2.4"}, std::string(kFailed) + kNotAVersion},
        {"an empty body", {200, ""}, std::string(kFailed) + kNotAVersion},
        {"two lines", {200, "24\r\n25"}, std::string(kFailed) + kNotAVersion},
        {"404",
         {404, "<html>missing</html>", "Not Found"},
         std::string(kFailed) + "The remote server returned an error: (404) Not Found."},
        {"500 without a reason",
         {500, "24"},
         std::string(kFailed) + "The remote server returned an error: (500)."},
        {"a redirect that was not followed",
         {302, ""},
         std::string(kFailed) + "The remote server returned an error: (302)."},
        {"a body too long to be a version",
         {200, std::string(70000, ' ') + "24"},
         std::string(kFailed) + kNotAVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.ScriptHttp(url, c.response);
        ui.expectMessageBox(DialogResult::Ok);
        ExpectTold(Check(), c.told);
    }
    EXPECT_TRUE(machine.ShellCalls().empty());
}

TEST_F(UpdateCheckTest, NoAnswerAtAllToldWithThePlatformsReason) {
    machine.ScriptHttpFailure(url, platform::ErrorFromCode(platform::win::kInternetTimeout));
    ui.expectMessageBox(DialogResult::Ok);
    ExpectTold(Check(), std::string(kFailed) + "The operation timed out");

    // Nothing scripted: the host's name does not resolve.
    machine.SetUtcNow(kNow + 1);
    ui.expectMessageBox(DialogResult::Ok);
    ExpectTold(Check(), std::string(kFailed) + "The server name or address could not be resolved");
}

TEST_F(UpdateCheckTest, WhileWorkRunsTheEntryIsRefusedAndNothingIsAsked) {
    machine.ScriptHttp(url, {200, "24"});
    {
        base::Lease busy = window->HoldEmbedded({});
        ui.expectMessageBox(DialogResult::Ok);
        ExpectTold(Check(), std::string(shell::kNavigateRefusal));
    }
    EXPECT_TRUE(machine.HttpRequests().empty());
    ui.expectMessageBox(DialogResult::No);
    EXPECT_EQ(Check().caption, "تحديث فيكسو");
}

TEST_F(UpdateCheckTest, LetsTheWindowRepaintBeforeItWaits) {
    machine.ScriptHttp(url, {200, "23"});
    std::size_t requestsAtPump = 99;
    ui.backend().onPump = [&] {
        if (requestsAtPump == 99) {
            requestsAtPump = machine.HttpRequests().size();
        }
    };
    ui.expectMessageBox(DialogResult::Ok);
    Check();
    EXPECT_EQ(requestsAtPump, 0u);
}

} // namespace
} // namespace vexo::testing
