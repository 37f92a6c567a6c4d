#include "tools/update_check.h"

#include "tools/published_version.h"

#include <exception>
#include <optional>
#include <string>

#ifndef VEXO_UPDATE_HOST
#error "VEXO_UPDATE_HOST names the update host; the build sets it"
#endif

namespace vexo::tools {
namespace {

constexpr char kUserAgent[] = "VexoTolvik/23";
constexpr int kResponseTimeoutMs = 5000;
constexpr int kReadTimeoutMs = 5000;
// 1 January 1601, where file times start, in ticks from 1 January of the year 1.
constexpr platform::FileTime kFileTimeEpochTicks = 504911232000000000;

constexpr char kQuestionHead[] = "نسختك v23، والإصدار المتاح v";
constexpr char kQuestionTail[] = ". هل تريد فتح صفحة تحميل التحديث؟";
constexpr char kQuestionCaption[] = "تحديث فيكسو";
constexpr char kLatest[] = "نسختك v23 هي الأحدث حالياً.";
constexpr char kOlderHead[] = "نسختك v23 أحدث من الإصدار المعلن على الموقع v";
constexpr char kOlderTail[] = ". لا تحتاج تنزيل إصدار أقدم.";
constexpr char kFailed[] = "تعذر فحص التحديث. تأكد من الإنترنت وحاول مجدداً. لم يتم تغيير التطبيق.";
constexpr char kNotAVersion[] = "استجابة التحديث غير صالحة";

// What the user is told about an answer that is not a success, in the
// words the platform's web client uses for it.
std::string StatusFailure(const platform::HttpResponse& response) {
    std::string text =
        "The remote server returned an error: (" + std::to_string(response.status) + ")";
    if (!response.reason.empty()) {
        text += " " + response.reason;
    }
    return text + ".";
}

void TellFailure(shell::SectionContext& context, const std::string& why) {
    context.Tell(std::string(kFailed) + "\r\n" + why);
}

} // namespace

const char kUpdateHost[] = VEXO_UPDATE_HOST;

std::string VersionFileUrl(platform::FileTime nowUtc) {
    return "https://" + std::string(kUpdateHost) +
           "/tolvik/version.txt?t=" + std::to_string(nowUtc + kFileTimeEpochTicks);
}

std::string DownloadPageUrl() {
    return "https://" + std::string(kUpdateHost) + "/tolvik/index.html";
}

void CheckUpdate16(shell::SectionContext& context) {
    // The menu has closed: let the window repaint before it waits.
    context.PumpPending();
    platform::Machine& machine = context.Machine();
    platform::HttpRequest request;
    request.url = VersionFileUrl(machine.clock().NowUtc());
    request.userAgent = kUserAgent;
    request.responseTimeoutMs = kResponseTimeoutMs;
    request.readTimeoutMs = kReadTimeoutMs;
    // The version file is a few bytes; a body this long is no version.
    request.maxBodyBytes = 64 * 1024;
    std::optional<base::Result<platform::HttpResponse>> got;
    try {
        got.emplace(machine.http().Get(request));
    } catch (const std::exception& e) {
        TellFailure(context, e.what());
        return;
    }
    const base::Result<platform::HttpResponse>& answer = *got;
    if (!answer.ok()) {
        TellFailure(context, answer.error().message);
        return;
    }
    if (answer->status < 200 || answer->status > 299) {
        TellFailure(context, StatusFailure(*answer));
        return;
    }
    const std::optional<int> published =
        answer->cut ? std::nullopt : PublishedVersion(answer->body);
    if (!published) {
        TellFailure(context, kNotAVersion);
        return;
    }
    const std::string version = std::to_string(*published);
    if (*published > kRunningVersion) {
        toolkit::MessageBoxArgs box;
        box.text = kQuestionHead + version + kQuestionTail;
        box.caption = kQuestionCaption;
        box.buttons = toolkit::MessageButtons::YesNo;
        box.icon = toolkit::MessageIcon::Information;
        if (context.Ask(box) == toolkit::DialogResult::Yes) {
            context.OpenTool(DownloadPageUrl(), "");
        }
    } else if (*published == kRunningVersion) {
        context.Tell(kLatest);
    } else {
        context.Tell(kOlderHead + version + kOlderTail);
    }
}

void RegisterUpdateCheck(shell::SectionCatalog& catalog) {
    catalog.AddTool(shell::MoreTool::Updates, CheckUpdate16);
}

} // namespace vexo::tools
