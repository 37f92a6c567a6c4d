#include "records/recycle.h"

#include "records/path_guard.h"

#include <exception>

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

RecycleOutcome Recycle(platform::Machine& machine, const RemovalCandidate& candidate,
                       const RecycleChecks& checks, platform::NativeWindow owner) {
    const RefusalReasons reasons = ReasonsFor(checks.flow);
    const bool indexFlow = checks.flow != RemovalFlow::TemporaryFiles;
    platform::Files& files = machine.files();

    RecycleOutcome outcome;
    if (indexFlow) {
        // Containment on the normalised path, before the guard: a path outside
        // the roots is refused without reading anything on the way to it.
        base::Result<std::string> full = files.FullPath(candidate.path);
        if (!full.ok()) {
            return Refuse(std::move(outcome), reasons.outsideOrProtected);
        }
        outcome.fullPath = std::move(full).value();
        if (!IsUnderRoots(outcome.fullPath, checks.roots) ||
            !TestSimpleFileRoot(machine, outcome.fullPath)) {
            return Refuse(std::move(outcome), reasons.outsideOrProtected);
        }
    } else {
        outcome.fullPath = candidate.path;
    }

    base::Result<platform::FileInfo> info = files.ReadInfo(outcome.fullPath);
    if (!info.ok()) {
        return Refuse(std::move(outcome), info.error().message);
    }
    if (info->IsDirectory() || info->IsReparsePoint() || (indexFlow && info->IsOffline())) {
        return Refuse(std::move(outcome), reasons.kind);
    }
    if (checks.flow == RemovalFlow::BulkReview &&
        (info->length != candidate.indexedBytes || info->lastWrite != candidate.indexedModified)) {
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
