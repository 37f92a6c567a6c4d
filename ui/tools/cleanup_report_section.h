#pragma once
// Cleanup report: the summary of the last clean-up above a table of every
// drive's available space before that clean-up and now, and four follow-ups
// that hand the work to Windows: measure again, the Recycle Bin, the repair
// of the system files (DISM, then SFC, in an elevated console), and a
// restart in 60 seconds or its cancellation.
//
// The section reads the report store and changes nothing on disk itself; it
// never marks the application busy. The report shown is taken once, when
// the section opens; the drives are read afresh at every render.

#include "records/cleanup_report.h"
#include "records/report_table.h"
#include "shell/section.h"

#include <memory>
#include <optional>
#include <string_view>

namespace vexo::tools {

// ---- what the user reads ----------------------------------------------------------

inline constexpr std::string_view kNoReport =
    "ماكو عملية تنظيف مسجلة بعد. الأرقام بالأسفل هي مساحة الأقراص الحالية فقط.";
inline constexpr std::string_view kMeasureText = "قياس المساحة الآن";
inline constexpr std::string_view kRecycleBinText = "راجع سلة المحذوفات";
inline constexpr std::string_view kRepairText = "إصلاح ملفات ويندوز";
inline constexpr std::string_view kRestartText = "إعادة تشغيل";
inline constexpr std::string_view kCancelRestartText = "إلغاء إعادة التشغيل";
inline constexpr std::string_view kReportNote =
    "الفرق هو تغير المساحة المتاحة بين القياسين، وقد يتأثر بنشاط برامج أخرى. القيمة السالبة تعني "
    "أن المتاح قل. إصلاح ملفات النظام ليس ضماناً لإصلاح كل الأعطال، وإعادة التشغيل لا تحذف "
    "ملفاتك.";

inline constexpr std::string_view kRepairStillOpen = "نافذة الإصلاح مفتوحة بالفعل؛ راجعها أولاً.";
inline constexpr std::string_view kRepairCaption = "إصلاح ملفات النظام";
inline constexpr std::string_view kRepairQuestion =
    "يشغّل DISM ثم SFC بصلاحية مسؤول لإصلاح ملفات ويندوز. قد يحتاج إنترنت ووقتاً. لا يصلح كل أعطال "
    "البرامج أو الهاردوير. تريد المتابعة؟";
inline constexpr std::string_view kRepairStarted =
    "انفتح طلب صلاحية المسؤول. إذا وافقت، انتظر الأوامر بالنافذة. SFC يبدأ فقط إذا نجح DISM؛ اقرأ "
    "النتيجة النهائية قبل إعادة التشغيل.";
inline constexpr std::string_view kRepairNotStarted = "لم يبدأ الإصلاح أو أُلغي طلب الصلاحية: ";

inline constexpr std::string_view kRestartCaption = "إعادة التشغيل";
inline constexpr std::string_view kRestartQuestion =
    "احفظ شغلك أولاً. إعادة التشغيل بعد 60 ثانية تغلق التطبيقات وقد تفقد العمل غير المحفوظ. تگدر "
    "تلغيها قبل انتهاء المهلة. تريد المتابعة؟";
inline constexpr std::string_view kRestartRequested =
    "تم طلب إعادة التشغيل بعد 60 ثانية. احفظ عملك؛ استخدم زر الإلغاء إذا غيّرت رأيك.";
inline constexpr std::string_view kRestartRefused = "لم يقبل ويندوز طلب إعادة التشغيل.";
inline constexpr std::string_view kRestartCancelled = "تم إلغاء إعادة التشغيل.";
inline constexpr std::string_view kNothingToCancel = "ماكو إعادة تشغيل معلّقة قابلة للإلغاء.";

// ---- the repair console -------------------------------------------------------------

// The last repair console started, kept for the application's life (not the
// section's), so that a second repair is refused while the first console is
// still open, whichever section the user visited in between.
class RepairConsole {
public:
    // True while the console started last is still running. A console whose
    // state cannot be read counts as closed.
    bool Open();
    // The newly started console; none when the shell gave no process.
    void Keep(std::unique_ptr<platform::Process> console) { console_ = std::move(console); }

private:
    std::unique_ptr<platform::Process> console_;
};

// What every opening of the section shares with the rest of the application.
struct CleanupReportOptions {
    // The last clean-up report; made from the machine when none.
    std::shared_ptr<records::ReportStore> reports{};
    // Made with the first opening when none.
    std::shared_ptr<RepairConsole> console{};
};

// ---- the section ------------------------------------------------------------------------

// The drive table's columns, in order.
inline constexpr std::string_view kColumnRoot = "Root";
inline constexpr std::string_view kColumnBefore = "Before";
inline constexpr std::string_view kColumnAfter = "After";
inline constexpr std::string_view kColumnDelta = "Delta";
inline constexpr std::string_view kColumnUsed = "Used";
inline constexpr std::string_view kColumnTotal = "Total";

// One opening of the section, made by the shell and destroyed once the user
// leaves it.
class CleanupReportSection final : public shell::ShellSection {
public:
    // `options.reports` and `options.console` must be set.
    CleanupReportSection(shell::SectionContext& context, CleanupReportOptions options);

    // The controls, the report shown taken now and the first render.
    std::unique_ptr<toolkit::Control> Build() override;

    // ---- the buttons -------------------------------------------------------------------
    // Reads the drives again and refills the table; the summary stays.
    void Render();
    void OpenRecycleBin();
    // After a confirmation, the repair console, unless one is still open.
    void StartRepair18();
    // After a confirmation, a restart in 60 s through shutdown.exe.
    void Restart();
    // Cancels a pending restart through shutdown.exe, without confirmation.
    void CancelRestart();

    // ---- for tests ---------------------------------------------------------------------
    toolkit::Label& summary() { return *summary_; }
    toolkit::DataGrid& table() { return *table_; }
    const std::optional<records::CleanupReport>& shown() const { return shown_; }

private:
    // Runs shutdown.exe with `arguments` and waits for it; tells `accepted`
    // on exit code 0, `refused` on any other, the error when it cannot start.
    void RunShutdown(std::string_view arguments, std::string_view accepted,
                     std::string_view refused);
    bool Ask(std::string_view caption, std::string_view text, toolkit::MessageIcon icon);

    shell::SectionContext& context_;
    CleanupReportOptions options_;
    std::optional<records::CleanupReport> shown_;
    // Owned by the content.
    toolkit::Control* content_ = nullptr;
    toolkit::Label* summary_ = nullptr;
    toolkit::DataGrid* table_ = nullptr;
};

// Opens the section through the shell (busy test, button, heading).
void OpenReport18(shell::SectionContext& context);

// Adds the section to the catalog; every opening shares `options`.
void RegisterCleanupReport(shell::SectionCatalog& catalog, CleanupReportOptions options = {});

} // namespace vexo::tools
