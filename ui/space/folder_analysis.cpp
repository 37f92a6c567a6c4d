#include "space/folder_analysis.h"

#include "base/culture.h"
#include "base/datetime.h"
#include "shell/style.h"

#include <exception>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

namespace vexo::space {

namespace {

using toolkit::CellValue;
using toolkit::ColumnKind;
using toolkit::Dock;

constexpr double kGb = 1073741824.0;
constexpr int kBarHeight = 80;
constexpr int kDriveListWidth = 210;
constexpr toolkit::Spacing kBarMargin{3, 1, 3, 1};

// The grid's columns, in order.
enum Column { kName, kGB, kFree, kPath, kNotes };

// A size as the grid shows a number: the shortest form, in the user's
// decimal separator.
std::string SizeText(const CellValue& value, const base::Culture& culture) {
    const double* gb = std::get_if<double>(&value);
    if (!gb) {
        return {};
    }
    std::string text = base::FormatPlain(*gb);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, culture.decimalSeparator);
    }
    return text;
}

std::string TextOf(const toolkit::DataGrid& grid, int row, int column) {
    const CellValue& value = grid.cell(row, column);
    const std::string* text = std::get_if<std::string>(&value);
    return text ? *text : std::string();
}

double NumberOf(const toolkit::DataGrid& grid, int row, int column) {
    const CellValue& value = grid.cell(row, column);
    const double* number = std::get_if<double>(&value);
    return number ? *number : 0.0;
}

std::string ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

// The drives the analysis is offered for: ready fixed drives only, so that
// a stick or card is never measured.
bool IsOffered(platform::Volumes& volumes, const std::string& root) {
    return volumes.TypeOf(root) == platform::DriveType::Fixed && volumes.IsReady(root);
}

} // namespace

// ---- texts ----------------------------------------------------------------------------

std::string ProgressText(const std::string& current, std::int64_t files, std::int64_t skipped,
                         double seconds, const base::Culture& culture) {
    return "فحص بالخلفية: " + current + " | ملفات: " + base::FormatN(files, 0, culture) +
           " | متجاوز: " + base::FormatN(skipped, 0, culture) + " | " +
           base::FormatN(seconds, 0, culture) + " ثانية";
}

std::string EndText(std::string_view state, std::int64_t files, std::int64_t skipped) {
    return std::string(state) + " | ملفات: " + std::to_string(files) +
           " | متجاوز: " + std::to_string(skipped) + std::string(kEndReminder);
}

std::string UsedNote(std::int64_t usedBytes) {
    return "مستخدم " +
           base::FormatPlain(base::RoundHalfEven(static_cast<double>(usedBytes) / kGb, 2)) + " GB";
}

// ---- building -------------------------------------------------------------------------

StorageSection::StorageSection(shell::SectionContext& context) : context_(context) {}

StorageSection::~StorageSection() {
    if (scan_) {
        scan_->Cancel.store(true, std::memory_order_release);
    }
}

std::unique_ptr<toolkit::Control> StorageSection::Build() {
    toolkit::FormArgs formArgs;
    formArgs.accessibleName = "folder-analysis";
    auto form = std::make_unique<toolkit::Form>(context_.App(), formArgs);

    toolkit::TableLayoutArgs tableArgs;
    tableArgs.dock = Dock::Fill;
    tableArgs.margin = toolkit::Spacing{};
    tableArgs.columns = {toolkit::Track::percent(100)};
    tableArgs.rows = {toolkit::Track::pixels(kBarHeight), toolkit::Track::fill(),
                      toolkit::Track::pixels(kBarHeight)};
    auto* table = form->add<toolkit::TableLayout>(tableArgs);

    // Row 1: the drive and what to do with it, from the right.
    toolkit::FlowLayoutArgs barArgs;
    barArgs.dock = Dock::Fill;
    barArgs.direction = toolkit::FlowDirection::RightToLeft;
    barArgs.margin = toolkit::Spacing{};
    auto* bar = table->addAt<toolkit::FlowLayout>(0, 0, barArgs);
    toolkit::ListArgs driveArgs;
    driveArgs.size = toolkit::Size{kDriveListWidth, 28};
    drives_ = bar->add<toolkit::ComboBox>(driveArgs);
    analyse_ = shell::AddBarButton(*bar, kAnalyseText);
    stop_ = shell::AddBarButton(*bar, kStopAnalysisText);
    stop_->setEnabled(false);
    openFolder_ = shell::AddBarButton(*bar, kOpenFolderText);
    drivesView_ = shell::AddBarButton(*bar, kDrivesViewText);
    savedView_ = shell::AddBarButton(*bar, kSavedViewText);
    // Where the bar is too narrow for one row, two rows of 38-px buttons
    // still fit in its 80 px.
    for (const auto& control : bar->children()) {
        control->setMargin(kBarMargin);
    }

    // Row 2: the drives or the measured entries.
    const base::Culture culture = context_.Culture();
    auto size = [culture](const CellValue& v) { return SizeText(v, culture); };
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.readOnly = true;
    gridArgs.fullRowSelect = true;
    gridArgs.multiSelect = false;
    gridArgs.columns = {
        {"Name", "المجلد / القرص", ColumnKind::Text, 100, {}, true, true, true},
        {"GB", "الحجم GB", ColumnKind::Number, 100, size, true, true, true},
        {"Free", "المتاح GB", ColumnKind::Number, 100, size, true, true, true},
        {"Path", "المسار", ColumnKind::Text, 100, {}, true, true, true},
        {"Notes", "ملاحظات", ColumnKind::Text, 100, {}, true, true, true},
    };
    grid_ = table->addAt<toolkit::DataGrid>(0, 1, gridArgs);

    // Row 3: what the analysis is, then how the run goes.
    toolkit::LabelArgs statusArgs;
    statusArgs.text = std::string(kReadOnlyNotice);
    statusArgs.dock = Dock::Fill;
    status_ = table->addAt<toolkit::Label>(0, 2, statusArgs);

    timer_ = form->addTimer(kAnalysisTickMs);
    timer_->onTick = [this](toolkit::TimerEvent&) { Tick(); };

    analyse_->onClick = [this](toolkit::ClickEvent&) { StartAnalysis(); };
    stop_->onClick = [this](toolkit::ClickEvent&) { StopAnalysis(); };
    openFolder_->onClick = [this](toolkit::ClickEvent&) { OpenSelectedFolder(); };
    drivesView_->onClick = [this](toolkit::ClickEvent&) { ShowDrives(); };
    savedView_->onClick = [this](toolkit::ClickEvent&) { ShowSavedAnalysis(); };
    return form;
}

void StorageSection::Shown() {
    platform::Volumes& volumes = context_.Machine().volumes();
    std::vector<std::string> offered;
    for (const std::string& root : volumes.DriveRoots()) {
        if (IsOffered(volumes, root)) {
            offered.push_back(root);
        }
    }
    drives_->setItems(std::move(offered));
    drives_->setSelectedIndex(0);
    ShowDrives();
}

void StorageSection::Leaving() {
    if (scan_) {
        scan_->Cancel.store(true, std::memory_order_release);
    }
    timer_->stop();
}

void StorageSection::SetRunning(bool running) {
    analyse_->setEnabled(!running);
    drivesView_->setEnabled(!running);
    drives_->setEnabled(!running);
    stop_->setEnabled(running);
    openFolder_->setEnabled(true);
}

void StorageSection::Idle() {
    work_.Release();
    scan_.reset();
    SetRunning(false);
}

// ---- the drives view ------------------------------------------------------------------

void StorageSection::ShowDrives() {
    if (scan_) {
        return;
    }
    try {
        platform::Volumes& volumes = context_.Machine().volumes();
        toolkit::SuspendedLayout hold(*grid_);
        grid_->clearRows();
        for (const std::string& root : volumes.DriveRoots()) {
            if (IsOffered(volumes, root)) {
                AddDriveRow(root);
            }
        }
    } catch (...) {
        context_.Diagnose(ErrorText(std::current_exception()));
    }
}

void StorageSection::AddDriveRow(const std::string& root) {
    base::Result<platform::VolumeReading> reading = context_.Machine().volumes().Read(root);
    if (!reading.ok()) {
        // A drive that cannot be read now gives no row; the others still do.
        context_.Diagnose(reading.error().message);
        return;
    }
    const platform::VolumeReading& r = *reading;
    grid_->addRow({root, base::RoundHalfEven(static_cast<double>(r.total) / kGb, 2),
                   base::RoundHalfEven(static_cast<double>(r.available) / kGb, 2), root,
                   UsedNote(r.total - r.totalFree)});
}

// ---- an analysis ----------------------------------------------------------------------

void StorageSection::StartAnalysis() {
    if (scan_ || drives_->selectedIndex() < 0) {
        return;
    }
    // The shell's stop (the close guard's) asks whichever scanner runs now.
    work_ = context_.HoldEmbedded([this] {
        if (scan_) {
            scan_->Cancel.store(true, std::memory_order_release);
        }
    });
    SetRunning(true);
    grid_->clearRows();
    status_->setText(std::string(kStarting));
    try {
        const std::string root = drives_->selectedItem();
        base::Result<std::string> saved = SavedAnalysisPath(context_.Machine().environment(), root);
        if (!saved.ok()) {
            throw std::runtime_error(saved.error().message);
        }
        savedPath_ = *saved;
        scan_ = VexoFastScan10::Create(context_.Machine().files());
        startedNanos_ = context_.Machine().clock().MonotonicNanos();
        scan_->Start(root);
        timer_->start();
    } catch (...) {
        const std::string error = ErrorText(std::current_exception());
        if (scan_) {
            scan_->Cancel.store(true, std::memory_order_release);
        }
        timer_->stop();
        context_.Diagnose("Storage start: " + error);
        status_->setText(std::string(kStartFailed));
        Idle();
    }
}

void StorageSection::StopAnalysis() {
    if (!scan_) {
        return;
    }
    scan_->Cancel.store(true, std::memory_order_release);
    status_->setText(std::string(kStopping));
}

double StorageSection::ElapsedSeconds() const {
    const std::int64_t now = context_.Machine().clock().MonotonicNanos();
    return static_cast<double>(now - startedNanos_) / 1e9;
}

void StorageSection::Tick() {
    if (!scan_) {
        return;
    }
    try {
        // Done is set after the last row was queued: read before the queue is
        // emptied, it means nothing more will come.
        const bool done = scan_->Done.load(std::memory_order_acquire);
        const std::vector<VexoFolder10> finished = scan_->TakeResults();
        if (!finished.empty()) {
            toolkit::SuspendedLayout hold(*grid_);
            for (const VexoFolder10& folder : finished) {
                AddResultRow(folder);
            }
        }
        status_->setText(ProgressText(scan_->Current(), scan_->Files.load(), scan_->Skipped.load(),
                                      ElapsedSeconds(), context_.Culture()));
        if (done) {
            EndAnalysis();
        }
    } catch (...) {
        FailTick(ErrorText(std::current_exception()));
    }
}

void StorageSection::AddResultRow(const VexoFolder10& folder) {
    grid_->addRow(
        {folder.Name, GigabytesShown(folder.Bytes), CellValue{}, folder.Path, RowNote(folder)},
        folder);
}

void StorageSection::EndAnalysis() {
    timer_->stop();
    const std::string error = scan_->Error();
    const bool cancelled = scan_->Cancel.load(std::memory_order_acquire);
    const std::string_view state = !error.empty() ? kEndedByError
                                   : cancelled    ? kEndedByRequest
                                                  : kEndedComplete;
    status_->setText(EndText(state, scan_->Files.load(), scan_->Skipped.load()));
    if (!error.empty()) {
        context_.Diagnose("Storage v10: " + error);
    }
    // Only a complete, error-free run is kept: a saved analysis never shows
    // part of a drive as if it were all of it.
    if (error.empty() && !cancelled) {
        SaveRows();
    }
    grid_->sortBy(kGB, /*ascending=*/false);
    Idle();
}

void StorageSection::SaveRows() {
    SavedAnalysis record;
    record.At = context_.Machine().clock().NowLocal();
    record.Files = scan_->Files.load();
    record.Skipped = scan_->Skipped.load();
    record.Rows.reserve(static_cast<std::size_t>(grid_->rowCount()));
    for (int row = 0; row < grid_->rowCount(); ++row) {
        record.Rows.push_back({TextOf(*grid_, row, kName), NumberOf(*grid_, row, kGB),
                               TextOf(*grid_, row, kPath), TextOf(*grid_, row, kNotes)});
    }
    // A failed save is logged there; the earlier saved analysis stays whole.
    (void)SaveAnalysis(context_.Machine(), savedPath_, record);
}

void StorageSection::FailTick(const std::string& error) {
    timer_->stop();
    scan_->Cancel.store(true, std::memory_order_release);
    context_.Diagnose("Storage UI v10: " + error);
    status_->setText(std::string(kTickFailed));
    Idle();
}

// ---- rows -----------------------------------------------------------------------------

void StorageSection::OpenSelectedFolder() {
    const std::set<int>& selected = grid_->selectedRows();
    if (selected.empty()) {
        return;
    }
    const std::string path = TextOf(*grid_, *selected.begin(), kPath);
    if (path.empty() || !context_.Machine().files().Exists(path)) {
        return;
    }
    context_.OpenTool("explorer.exe", "\"" + path + "\"");
}

void StorageSection::ShowSavedAnalysis() {
    if (scan_ || drives_->selectedIndex() < 0) {
        return;
    }
    try {
        platform::Machine& machine = context_.Machine();
        base::Result<std::string> path =
            SavedAnalysisPath(machine.environment(), drives_->selectedItem());
        if (!path.ok()) {
            throw std::runtime_error(path.error().message);
        }
        base::Result<std::optional<SavedAnalysis>> loaded =
            LoadSavedAnalysis(machine.files(), *path);
        if (!loaded.ok()) {
            throw std::runtime_error(loaded.error().message);
        }
        if (!loaded->has_value()) {
            context_.Tell(std::string(kNoSavedAnalysis));
            return;
        }
        const SavedAnalysis& saved = **loaded;
        {
            toolkit::SuspendedLayout hold(*grid_);
            grid_->clearRows();
            for (const SavedRow& row : saved.Rows) {
                grid_->addRow({row.Name, row.GB, CellValue{}, row.Path, row.Notes});
            }
        }
        status_->setText("نتائج محفوظة من " + base::FormatMinutes(saved.At) +
                         " — مو فحص حي؛ أعد التحليل لتحديثها.");
    } catch (...) {
        context_.Diagnose(ErrorText(std::current_exception()));
        context_.Tell(std::string(kSavedAnalysisUnreadable));
    }
}

// ---- the shell's side -----------------------------------------------------------------

std::unique_ptr<StorageSection> OpenStorage(shell::SectionContext& context) {
    return std::make_unique<StorageSection>(context);
}

void RegisterFolderAnalysis(shell::SectionCatalog& catalog) {
    catalog.Add(shell::Section::FolderAnalysis,
                {.make = [](shell::SectionContext& context) { return OpenStorage(context); }});
}

} // namespace vexo::space
