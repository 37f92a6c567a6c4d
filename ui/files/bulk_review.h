#pragma once
// The bulk review: the device browser's last word before every personal
// result of a search goes to the Recycle Bin. A modal dialog shows how many
// files and bytes the prepared set holds and its first 200 paths, and moves
// nothing before the user has ticked the acknowledgement and confirmed. Then
// the set's files go one by one through the shared removal run, each checked
// again against the personal roots, the guard and the index (a file whose
// length or last write changed since indexing stays), with a live count, a
// stop that takes effect after the current file, the "IndexRemoval-" log and
// the clean-up report. Everything runs on the UI thread.

#include "index/engine.h"
#include "records/cleanup_report.h"
#include "shell/section.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::files {

inline constexpr std::string_view kReviewTitle = "راجع حذف كل النتائج — v23";
inline constexpr std::string_view kReviewNote =
    "لقطة من كل صفحات البحث، داخل مجلداتك الشخصية فقط. لا تنفيذ قبل التأكيد.";
inline constexpr std::string_view kReviewRunNote = "إذا طلب ويندوز حذفاً نهائياً، ألغِه إذا ما تريده.";
inline constexpr std::string_view kConfirmRemovalText = "تأكيد الحذف إلى السلة";
inline constexpr std::string_view kCancelText = "إلغاء";
inline constexpr std::string_view kStopRemovalText = "إيقاف الحذف";
inline constexpr std::string_view kStoppingText = "سيتوقف بعد الملف الحالي";
inline constexpr std::string_view kPreparationFailed = "تعذر تجهيز القائمة: ";
inline constexpr std::string_view kNothingPersonal =
    "ماكو ملفات شخصية قابلة للحذف ضمن نتائج البحث. ملفات ويندوز والبرامج للعرض فقط.";

inline constexpr int kPreviewRows = 200;

// "مراجعة N ملف — X GB", CR LF, the note.
std::string ReviewHeading(const index::VexoPage13& set, const base::Culture& culture);
// "تم نقل … | متجاوز … | المتبقي …", CR LF, the reminder about the shell's prompt.
std::string ReviewProgress(int moved, int skipped, int total, const base::Culture& culture);
// The acknowledgement's text for a set of `total` files.
std::string AcknowledgementText(int total, const base::Culture& culture);
// One preview line: "{MB:N1} MB | path".
std::string PreviewLine(const index::VexoFile13& file, const base::Culture& culture);

// What the dialog borrows from the section that opens it.
struct BulkReviewServices {
    shell::SectionContext& context;
    records::ReportStore& reports;
};

// Tells why there is nothing to review (a failed preparation, an empty set),
// or shows the dialog modally over `owner` and returns once it has closed.
// The engine that prepared the set forgets each moved file.
void OpenBulkReview22(toolkit::Form& owner, const std::shared_ptr<index::VexoEngine13>& engine,
                      const index::VexoPage13& set, const std::vector<std::string>& roots,
                      BulkReviewServices services);

} // namespace vexo::files
