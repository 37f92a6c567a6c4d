#include "records/recycle.h"

#include "base/ordinal.h"
#include "platform/path_rules.h"
#include "records/path_guard.h"

#include <exception>
#include <optional>

namespace vexo::records {

RefusalReasons ReasonsFor(RemovalFlow flow) {
    switch (flow) {
    case RemovalFlow::TemporaryFiles:
        return {{}, "تم تجاوز رابط أو مجلد", {}, "الملف باقٍ في مكانه"};
    case RemovalFlow::MyFiles:
        return {"مسار خارج مجلداتك أو داخل مجلد محمي",
                "مجلد أو رابط أو ملف سحابي غير متاح",
                {},
                "الملف بعده موجود"};
    case RemovalFlow::BulkReview:
        return {"مسار محمي أو خارج الملفات الشخصية", "رابط أو مجلد أو ملف غير محمّل",
                "الملف تغيّر بعد الفهرسة؛ أعد الفحص قبل حذفه", "الملف ما زال موجوداً"};
    }
    return {};
}

namespace {

RecycleOutcome Refuse(RecycleOutcome outcome, std::string_view reason) {
    outcome.removed = false;
    outcome.reason = std::string(reason);
    return outcome;
}

// Normalisation rewrites some spellings into another file's name: a listed
// "bar." or "bar " becomes "bar", "a\..\b" becomes "b". Only the file the user
// saw may go, so the normalised path must be the listed one but for case.
bool IsTheListedFile(std::string_view fullPath, std::string_view listedPath) {
    return base::EqualsIgnoreCase(fullPath, listedPath);
}

// The folder the file is in can be looked into. The walk reads each folder's
// own entry, which its parent answers for; this is what says the last folder
// is as readable as the ones above it.
bool FolderCanBeRead(platform::Machine& machine, std::string_view fullPath) {
    struct FirstEntryOnly final : platform::ListingSink {
        bool OnEntry(const platform::DirEntryView&) override { return false; }
    } sink;
    std::optional<std::string> folder = platform::paths::Parent(fullPath);
    return folder && machine.files().ListFolder(*folder, sink).ok();
}

// The Temporary files listing went only through real folders below its
// root. Every folder from the file's own up to that root must still be one:
// a folder renamed away and replaced by a link to another place would
// otherwise have the shell take a file the user never saw listed.
bool StillWhereTheWalkFoundIt(platform::Machine& machine, std::string_view path,
                              std::string_view root) {
    if (!IsUnderRoots(path, {std::string(root)})) {
        return false;
    }
    const std::string_view top = platform::paths::TrimTrailingBackslashes(root);
    for (std::optional<std::string> folder = platform::paths::Parent(path); folder;
         folder = platform::paths::Parent(*folder)) {
        base::Result<platform::FileInfo> info = machine.files().ReadInfo(*folder);
        if (!info.ok() || !info->IsDirectory() || info->IsReparsePoint()) {
            return false;
        }
        if (base::EqualsIgnoreCase(platform::paths::TrimTrailingBackslashes(*folder), top)) {
            return true;
        }
    }
    return false;
}

RecycleOutcome Recycle(platform::Machine& machine, const RemovalCandidate& candidate,
                       const RecycleChecks& checks, platform::NativeWindow owner) {
    const RefusalReasons reasons = ReasonsFor(checks.flow);
    const bool indexFlow = checks.flow != RemovalFlow::TemporaryFiles;
    platform::Files& files = machine.files();

    RecycleOutcome outcome;
    if (indexFlow) {
        // Everything that judges the path by its place comes before anything
        // reads the file, and answers in the same words: a path outside the
        // roots, in a protected folder or under a link never gets as far as
        // a reason that would tell what is there.
        std::optional<std::string> full = CanonicalFullPath(machine, candidate.path);
        if (!full) {
            return Refuse(std::move(outcome), reasons.outsideOrProtected);
        }
        outcome.fullPath = std::move(*full);
        if (!IsTheListedFile(outcome.fullPath, candidate.path) ||
            !IsUnderRoots(outcome.fullPath, checks.roots) ||
            !PassesPathRules(machine, outcome.fullPath) ||
            !FoldersAboveAreSafe(machine, outcome.fullPath) ||
            !FolderCanBeRead(machine, outcome.fullPath)) {
            return Refuse(std::move(outcome), reasons.outsideOrProtected);
        }
    } else {
        outcome.fullPath = candidate.path;
        if (!checks.walkedRoot.empty() &&
            !StillWhereTheWalkFoundIt(machine, outcome.fullPath, checks.walkedRoot)) {
            return Refuse(std::move(outcome), reasons.kind);
        }
    }

    // The file's own entry, read afresh: gone since it was listed is the
    // platform's own words; a link or a placeholder now is the kind check's.
    base::Result<platform::FileInfo> info = files.ReadInfo(outcome.fullPath);
    if (!info.ok()) {
        return Refuse(std::move(outcome), info.error().message);
    }
    if (info->IsDirectory() || info->IsReparsePoint() || (indexFlow && info->IsOffline())) {
        return Refuse(std::move(outcome), reasons.kind);
    }
    if (checks.flow == RemovalFlow::BulkReview &&
        (info->length != candidate.indexedBytes ||
         machine.clock().ToLocal(info->lastWrite) != candidate.indexedModified)) {
        return Refuse(std::move(outcome), reasons.changed);
    }
    outcome.bytes = info->length;

    if (base::Status recycled = machine.recycleBin().Recycle(outcome.fullPath, owner);
        !recycled.ok()) {
        return Refuse(std::move(outcome), recycled.error().message);
    }
    // The shell may report success for a file it left in place; only a place
    // that is verifiably empty counts. A place that cannot be read at all is
    // not proof that the file has gone.
    base::Result<platform::FileInfo> afterwards = files.ReadInfo(outcome.fullPath);
    if (afterwards.ok()) {
        return Refuse(std::move(outcome), reasons.stillThere);
    }
    if (afterwards.error().kind != base::ErrorKind::NotFound) {
        return Refuse(std::move(outcome), afterwards.error().message);
    }
    outcome.removed = true;
    return outcome;
}

} // namespace

RecycleOutcome RecycleOneFile(platform::Machine& machine, const RemovalCandidate& candidate,
                              const RecycleChecks& checks, platform::NativeWindow owner) noexcept {
    try {
        return Recycle(machine, candidate, checks, owner);
    } catch (const std::exception& error) {
        RecycleOutcome outcome;
        outcome.fullPath = candidate.path;
        outcome.reason = error.what();
        return outcome;
    } catch (...) {
        RecycleOutcome outcome;
        outcome.fullPath = candidate.path;
        outcome.reason = "unexpected error";
        return outcome;
    }
}

} // namespace vexo::records
