#include "files/temp_files.h"

#include "base/culture.h"
#include "base/trim.h"
#include "platform/path_rules.h"

#include <exception>
#include <initializer_list>
#include <utility>

namespace vexo::files {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr double kMb = 1048576.0;
constexpr int kToolBarHeight = 125;
constexpr int kButtonHeight = 36;
constexpr toolkit::Size kFilterSize{230, 30};
constexpr toolkit::Size kSizeBoxSize{95, 30};

// The grid's columns, right to left.
constexpr int kPickColumn = 0;
constexpr int kMbColumn = 1;
constexpr int kFileColumn = 2;
constexpr int kPathColumn = 3;

// This bar's buttons stand 36 px high before the palette pass, taller than
// the other sections' bar buttons.
toolkit::Button* AddButton(toolkit::FlowLayout& bar, std::string_view text) {
    toolkit::ButtonArgs args;
    args.text = std::string(text);
    args.autoSize = true;
    args.minimumSize = toolkit::Size{0, kButtonHeight};
    args.padding = Spacing{8, 0, 8, 0};
    return bar.add<toolkit::Button>(args);
}

// The MB cell as a number shows it by default: no grouping, no trailing
// zeros, the culture's decimal separator.
std::string MbText(double mb, const base::Culture& culture) {
    std::string text = base::FormatPlain(mb);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, culture.decimalSeparator);
    }
    return text;
}

double MbOf(const toolkit::CellValue& cell) {
    const double* mb = std::get_if<double>(&cell);
    return mb ? *mb : 0.0;
}

std::string TextOf(const toolkit::CellValue& cell) {
    const std::string* text = std::get_if<std::string>(&cell);
    return text ? *text : std::string();
}

// A folder's entries, kept past the listing: the window's messages go
// through between entries, and a listing's names live only for its call.
class Entries final : public platform::ListingSink {
public:
    struct Entry {
        std::string name;
        platform::FileInfo info;
    };
    bool OnEntry(const platform::DirEntryView& entry) override {
        entries.push_back({std::string(entry.name), entry.info});
        return true;
    }
    std::vector<Entry> entries;
};

} // namespace

// ---- texts and rules ------------------------------------------------------------------

std::string TempConfirmationText(std::size_t count, double totalMb, const base::Culture& culture) {
    return "نقل " + std::to_string(count) + " ملف بحجم " +
           base::FormatN(totalMb / 1024.0, 2, culture) +
           " GB إلى السلة؟ راجع المسارات قبل الموافقة. إذا عرض ويندوز حذفاً نهائياً لملف كبير، "
           "ألغِه إذا لا تريده.";
}

double TempSizeMb(std::int64_t bytes) {
    return base::RoundHalfEven(static_cast<double>(bytes) / kMb, 2);
}

bool OlderThanSevenDays(index::LocalTime& local, platform::FileTime lastWrite,
                        platform::FileTime now) {
    return local.Ticks(lastWrite) < local.Ticks(now) - kTempAgeTicks;
}

// ---- building -------------------------------------------------------------------------

TemporaryFilesSection::TemporaryFilesSection(shell::SectionContext& context,
                                             TempFilesOptions options)
    : context_(context), options_(std::move(options)),
      run_(context.Machine(), *options_.reports, context), local_(context.Machine().clock()) {}

std::unique_ptr<toolkit::Control> TemporaryFilesSection::Build() {
    toolkit::TableLayoutArgs tableArgs;
    tableArgs.dock = Dock::Fill;
    tableArgs.margin = Spacing{};
    tableArgs.accessibleName = "temporary-files";
    tableArgs.columns = {toolkit::Track::percent(100)};
    tableArgs.rows = {toolkit::Track::pixels(kToolBarHeight), toolkit::Track::fill()};
    auto view = std::make_unique<toolkit::TableLayout>(tableArgs);
    view_ = view.get();

    toolkit::FlowLayoutArgs barArgs;
    barArgs.dock = Dock::Fill;
    barArgs.direction = toolkit::FlowDirection::RightToLeft;
    barArgs.wrap = false;
    barArgs.autoScroll = true;
    auto* bar = view->addAt<toolkit::FlowLayout>(0, 0, barArgs);
    scan_ = AddButton(*bar, kTempScanText);
    stop_ = AddButton(*bar, kTempStopText);
    selectAll_ = AddButton(*bar, kTempSelectAllText);
    selectNone_ = AddButton(*bar, kTempSelectNoneText);
    delete_ = AddButton(*bar, kTempDeleteText);

    toolkit::TextBoxArgs filterArgs;
    filterArgs.size = kFilterSize;
    filterArgs.rightToLeft = true;
    filterArgs.accessibleName = std::string(kTempFilterName);
    filter_ = bar->add<toolkit::TextBox>(filterArgs);

    toolkit::LabelArgs labelArgs;
    labelArgs.text = std::string(kTempSizeLabel);
    labelArgs.autoSize = true;
    bar->add<toolkit::Label>(labelArgs);

    // Shown as in the other file lists, but no part of this one.
    toolkit::NumericUpDownArgs sizeArgs;
    sizeArgs.minimum = 1;
    sizeArgs.maximum = 100000;
    sizeArgs.value = 100;
    sizeArgs.size = kSizeBoxSize;
    sizeArgs.enabled = false;
    size_ = bar->add<toolkit::NumericUpDown>(sizeArgs);

    const base::Culture culture = context_.Culture();
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.fullRowSelect = true;
    gridArgs.multiSelect = true;
    gridArgs.columns = {
        {.name = "Pick",
         .header = "تحديد",
         .kind = toolkit::ColumnKind::Tick,
         .fillWeight = 12,
         .format = {}},
        {.name = "MB",
         .header = "الحجم MB",
         .kind = toolkit::ColumnKind::Number,
         .fillWeight = 20,
         .format =
             [culture](const toolkit::CellValue& v) {
                 return std::holds_alternative<double>(v) ? MbText(std::get<double>(v), culture)
                                                          : std::string();
             },
         .readOnly = true,
         .sortable = true},
        {.name = "File",
         .header = "اسم الملف",
         .kind = toolkit::ColumnKind::Text,
         .fillWeight = 55,
         .format = {},
         .readOnly = true,
         .sortable = true},
        {.name = "Path",
         .header = "المسار",
         .kind = toolkit::ColumnKind::Text,
         .fillWeight = 110,
         .format = {},
         .readOnly = true,
         .sortable = true},
    };
    grid_ = view->addAt<toolkit::DataGrid>(0, 1, gridArgs);

    scan_->onClick = [this](toolkit::ClickEvent&) { Scan(); };
    stop_->onClick = [this](toolkit::ClickEvent&) { StopScan(); };
    selectAll_->onClick = [this](toolkit::ClickEvent&) { SelectAll(true); };
    selectNone_->onClick = [this](toolkit::ClickEvent&) { SelectAll(false); };
    delete_->onClick = [this](toolkit::ClickEvent&) { RemoveSelected(); };
    filter_->onTextChanged = [this](toolkit::TextChangedEvent&) { ApplyFilter(); };

    UpdateControls();
    return view;
}

void TemporaryFilesSection::Refresh() {
    filter_->setText({});
    grid_->clearRows();
    scan_->setText(std::string(kTempScanText));
    size_->setEnabled(false);
}

void TemporaryFilesSection::Busy(bool value) {
    if (value) {
        scanLease_ = context_.HoldScan();
        work_ = Work::Scanning;
    } else {
        scanLease_.Release();
        work_ = Work::Idle;
    }
    UpdateControls();
}

void TemporaryFilesSection::UpdateControls() {
    const bool idle = work_ == Work::Idle;
    for (toolkit::Control* c :
         std::initializer_list<toolkit::Control*>{scan_, selectAll_, selectNone_, delete_, grid_}) {
        c->setEnabled(idle);
    }
    // A removal cannot be stopped.
    stop_->setEnabled(work_ == Work::Scanning);
    size_->setEnabled(false);
}

// ---- the walk -------------------------------------------------------------------------

void TemporaryFilesSection::Scan() {
    if (work_ != Work::Idle) {
        return;
    }
    Busy(true); // also clears a stop asked for before
    grid_->clearRows();
    filesSeen_ = 0;
    visited_.clear();
    walkedRoot_.clear();
    std::string failure;
    try {
        Walk();
        grid_->sortBy(kMbColumn, false);
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "unknown error";
    }
    if (!failure.empty()) {
        // The rows found so far stay, unsorted when the walk itself failed.
        try {
            context_.Tell(failure);
        } catch (...) {
            Busy(false);
            throw;
        }
    }
    Busy(false);
}

void TemporaryFilesSection::Walk() {
    platform::Machine& machine = context_.Machine();
    // Only a real folder on drive C: is walked: not a link, whatever the
    // temporary folder has been set to.
    const std::string root = machine.environment().TempPath();
    std::deque<std::string> queue;
    if (base::StartsWithIgnoreCase(root, "C:\\")) {
        base::Result<platform::FileInfo> info = machine.files().ReadInfo(root);
        if (info.ok() && info->IsDirectory() && !info->IsReparsePoint()) {
            walkedRoot_ = root;
            queue.push_back(root);
        }
    }
    while (!queue.empty() && !context_.ScanStopRequested()) {
        std::string folder = std::move(queue.front());
        queue.pop_front();
        if (!visited_.insert(folder).second) {
            continue;
        }
        ListOne(folder, queue);
        context_.PumpPending();
    }
}

void TemporaryFilesSection::ListOne(const std::string& folder, std::deque<std::string>& queue) {
    platform::Machine& machine = context_.Machine();
    Entries listing;
    // A folder that cannot be read, or only partly, gives what it gave.
    (void)machine.files().ListFolder(folder, listing);
    for (const Entries::Entry& entry : listing.entries) {
        if (context_.ScanStopRequested()) {
            return;
        }
        if (entry.info.IsReparsePoint() || entry.info.IsOffline()) {
            continue; // neither listed nor followed
        }
        std::string path = platform::paths::Join(folder, entry.name);
        if (entry.info.IsDirectory()) {
            queue.push_back(std::move(path));
        } else {
            ++filesSeen_;
            if (OlderThanSevenDays(local_, entry.info.lastWrite, machine.clock().NowUtc())) {
                grid_->addRow({false, TempSizeMb(entry.info.length), entry.name, std::move(path)});
            }
        }
        if (filesSeen_ % kTempPumpEvery == 0) {
            context_.PumpPending();
        }
    }
}

void TemporaryFilesSection::StopScan() {
    context_.RequestScanStop();
}

// ---- ticks and the filter ---------------------------------------------------------------

void TemporaryFilesSection::SelectAll(bool tick) {
    if (work_ != Work::Idle) {
        return;
    }
    toolkit::SuspendedLayout hold(*grid_);
    for (int row = 0; row < grid_->rowCount(); ++row) {
        grid_->setCell(row, kPickColumn, tick);
    }
}

// Typing while the folder is walked or files are removed changes nothing;
// the next change after it filters.
void TemporaryFilesSection::ApplyFilter() {
    if (work_ != Work::Idle) {
        return;
    }
    grid_->setCurrentCell({});
    const std::string text(base::TrimSpace(filter_->text()));
    toolkit::SuspendedLayout hold(*grid_);
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const bool shown = text.empty() ||
                           base::ContainsIgnoreCase(TextOf(grid_->cell(row, kFileColumn)), text) ||
                           base::ContainsIgnoreCase(TextOf(grid_->cell(row, kPathColumn)), text);
        // Hiding a row leaves its tick alone.
        grid_->setRowHidden(row, !shown);
    }
}

// ---- removal ----------------------------------------------------------------------------

void TemporaryFilesSection::RemoveSelected() {
    if (work_ != Work::Idle) {
        return;
    }
    grid_->commitPendingEdit();
    const std::vector<int> ticked = grid_->tickedRows();
    if (ticked.empty()) {
        context_.Tell(std::string(kTempTickFirst));
        return;
    }
    double totalMb = 0;
    std::vector<records::RemovalCandidate> candidates;
    candidates.reserve(ticked.size());
    for (int row : ticked) {
        totalMb += MbOf(grid_->cell(row, kMbColumn));
        records::RemovalCandidate c;
        c.path = TextOf(grid_->cell(row, kPathColumn));
        candidates.push_back(std::move(c));
    }
    toolkit::MessageBoxArgs box;
    box.owner = view_;
    box.text = TempConfirmationText(candidates.size(), totalMb, context_.Culture());
    box.caption = std::string(kTempConfirmCaption);
    box.buttons = toolkit::MessageButtons::YesNo;
    box.icon = toolkit::MessageIcon::Warning;
    if (context_.App().messageBox(box) != toolkit::DialogResult::Yes) {
        return;
    }
    run_.Run(RemovalOf(), candidates);
}

records::RemovalSection TemporaryFilesSection::RemovalOf() {
    records::RemovalSection section;
    section.flow = records::RemovalFlow::TemporaryFiles;
    section.walkedRoot = walkedRoot_;
    section.onStart = [this] {
        work_ = Work::Removing;
        UpdateControls();
    };
    // The files go in grid order and nothing reorders the grid meanwhile, so
    // each one's row is found from where the last one was.
    section.onRemoved = [this, from = std::make_shared<int>(0)](const records::RemovalCandidate& c,
                                                                const records::RecycleOutcome&) {
        const int count = grid_->rowCount();
        for (int i = 0; i < count; ++i) {
            const int row = (*from + i) % count;
            if (TextOf(grid_->cell(row, kPathColumn)) == c.path) {
                grid_->removeRow(row);
                *from = row;
                return;
            }
        }
    };
    section.followUp = [this] {
        work_ = Work::Idle;
        UpdateControls();
    };
    return section;
}

// ---- the shell's side -----------------------------------------------------------------

void RegisterTemporaryFiles(shell::SectionCatalog& catalog, TempFilesOptions options) {
    auto shared = std::make_shared<TempFilesOptions>(std::move(options));
    catalog.Add(shell::Section::TemporaryFiles,
                {.make =
                     [shared](shell::SectionContext& context) {
                         if (!shared->reports) {
                             shared->reports =
                                 std::make_shared<records::ReportStore>(context.Machine());
                         }
                         return std::make_unique<TemporaryFilesSection>(context, *shared);
                     },
                 .kept = true});
}

} // namespace vexo::files
