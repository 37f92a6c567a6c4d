#include "programs/programs_section.h"

#include "base/culture.h"
#include "base/ordinal.h"
#include "base/trim.h"
#include "programs/uninstall_command.h"
#include "records/removal_log.h"
#include "shell/style.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace vexo::programs {

namespace {

using toolkit::Dock;

constexpr int kToolBarHeight = 115;
constexpr int kFooterHeight = 75;
constexpr int kSearchWidth = 220;

// Grid columns, right to left.
constexpr int kSelectColumn = 0;
constexpr int kStateColumn = 4;

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        text += parts[i];
    }
    return text;
}

// The hive and path of an entry's Key, as the inventory spelt it.
struct KeyPlace {
    platform::Hive hive;
    std::string path;
};
std::optional<KeyPlace> PlaceOf(std::string_view key) {
    const auto slash = key.find('\\');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view hive = key.substr(0, slash);
    for (const UninstallLocation& location : kUninstallLocations) {
        if (hive == location.hiveName) {
            return KeyPlace{location.hive, std::string(key.substr(slash + 1))};
        }
    }
    return std::nullopt;
}

// Why a program's turn ended without its uninstaller: a refusal's text or
// the platform's error, shown after the program's name.
struct UninstallFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

// ---- texts ----------------------------------------------------------------------------

std::string LoadedText(std::size_t count) {
    return "تم تحميل " + std::to_string(count) +
           " برنامج. راجع الاختيار قبل الإزالة. تطبيقات Microsoft Store غير مشمولة؛ زر قائمة "
           "ويندوز يعرض خيارات النظام.";
}

std::string_view InitialState(const AppEntry& entry) {
    if (entry.Protected) {
        return kStateProtected;
    }
    return entry.Command.empty() ? kStateNoCommand : kStateReady;
}

std::string SizeText(double mb, const base::Culture& culture) {
    std::string text = base::FormatPlain(mb);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, culture.decimalSeparator);
    }
    return text;
}

// ---- building -------------------------------------------------------------------------

ProgramsSection::ProgramsSection(shell::SectionContext& context, ProgramsOptions options)
    : context_(context), options_(std::move(options)) {
    if (!options_.startWorker) {
        options_.startWorker = StartInventoryThread;
    }
}

// The worker reads the registry on its own; it is only told that nobody
// waits for it any more.
ProgramsSection::~ProgramsSection() {
    try {
        AbandonLoad();
    } catch (...) {
    }
}

std::unique_ptr<toolkit::Control> ProgramsSection::Build() {
    toolkit::FormArgs formArgs;
    formArgs.accessibleName = "programs";
    auto form = std::make_unique<toolkit::Form>(context_.App(), formArgs);
    form_ = form.get();

    toolkit::FlowLayoutArgs barArgs;
    barArgs.dock = Dock::Top;
    barArgs.size = toolkit::Size{0, kToolBarHeight};
    barArgs.direction = toolkit::FlowDirection::RightToLeft;
    barArgs.wrap = true;
    auto* bar = form->add<toolkit::FlowLayout>(barArgs);
    reload_ = shell::AddBarButton(*bar, kReloadText);
    selectVisible_ = shell::AddBarButton(*bar, kSelectVisibleText);
    clearTicks_ = shell::AddBarButton(*bar, kClearTicksText);
    remove_ = shell::AddBarButton(*bar, kRemoveText);
    pause_ = shell::AddBarButton(*bar, kPauseText);
    pause_->setEnabled(false);
    toolkit::TextBoxArgs searchArgs;
    searchArgs.size = toolkit::Size{kSearchWidth, 28};
    searchArgs.accessibleName = std::string(kSearchName);
    search_ = bar->add<toolkit::TextBox>(searchArgs);
    bulk_ = shell::AddBarButton(*bar, kBulkText);
    auto* windowsList = shell::AddBarButton(*bar, kWindowsListText);

    toolkit::LabelArgs footerArgs;
    footerArgs.dock = Dock::Bottom;
    footerArgs.size = toolkit::Size{0, kFooterHeight};
    footer_ = form->add<toolkit::Label>(footerArgs);

    // The grid fills what the tool bar and the footer leave.
    const base::Culture culture = context_.Culture();
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.fullRowSelect = true;
    gridArgs.columns = {
        {"Select", "تحديد", toolkit::ColumnKind::Tick, 12, {}, false, false, true},
        {"Name", "البرنامج", toolkit::ColumnKind::Text, 70, {}, true, true, true},
        {"Publisher", "الناشر", toolkit::ColumnKind::Text, 45, {}, true, true, true},
        {"Size", "MB تقريبي", toolkit::ColumnKind::Number, 24,
         [culture](const toolkit::CellValue& v) {
             return std::holds_alternative<double>(v) ? SizeText(std::get<double>(v), culture)
                                                      : std::string();
         },
         true, true, true},
        {"State", "الحالة", toolkit::ColumnKind::Text, 50, {}, true, true, true},
    };
    grid_ = form->add<toolkit::DataGrid>(gridArgs);

    timer_ = form->addTimer(kLoadPollMs);
    timer_->onTick = [this](toolkit::TimerEvent&) { TakeLoad(); };

    reload_->onClick = [this](toolkit::ClickEvent&) { Reload(); };
    selectVisible_->onClick = [this](toolkit::ClickEvent&) { SelectVisible(); };
    clearTicks_->onClick = [this](toolkit::ClickEvent&) { ClearTicks(); };
    remove_->onClick = [this](toolkit::ClickEvent&) { RunQueue(); };
    pause_->onClick = [this](toolkit::ClickEvent&) { Pause(); };
    search_->onTextChanged = [this](toolkit::TextChangedEvent&) { Filter(); };
    bulk_->onClick = [this](toolkit::ClickEvent&) { RemoveVisible(); };
    windowsList->onClick = [this](toolkit::ClickEvent&) {
        context_.OpenTool(std::string(kWindowsListUri), {});
    };
    form->onCloseRequest = [this](toolkit::CloseEvent& e) {
        if (busy_) {
            e.cancel = true;
            toolkit::MessageBoxArgs box;
            box.text = std::string(kFinishFirst);
            context_.App().messageBox(box);
        }
    };

    Load();
    return form;
}

void ProgramsSection::Leaving() {
    AbandonLoad();
}

void ProgramsSection::SetListControlsEnabled(bool enabled) {
    for (toolkit::Control* c : std::initializer_list<toolkit::Control*>{
             reload_, selectVisible_, clearTicks_, remove_, bulk_, search_}) {
        c->setEnabled(enabled);
    }
}

// ---- loading ----------------------------------------------------------------------------

void ProgramsSection::Load() {
    if (loading() || busy_) {
        return;
    }
    grid_->clearRows();
    footer_->setText(std::string(kLoading));
    SetListControlsEnabled(false);
    try {
        platform::Machine& machine = context_.Machine();
        InventoryJob job = [&registry = machine.registry(),
                            order = UserCultureOrder(machine.environment())] {
            return AppInventory(registry, order);
        };
        worker_ = options_.startWorker(std::move(job));
        if (!worker_) {
            throw std::runtime_error("the inventory worker did not start");
        }
        timer_->start();
    } catch (const std::exception& e) {
        worker_.reset();
        SetListControlsEnabled(true);
        footer_->setText(std::string(kStartFailed) + e.what());
        context_.Diagnose(e.what());
    }
}

void ProgramsSection::Reload() {
    // Emptying the box shows every row again before they go.
    search_->setText({});
    Load();
}

void ProgramsSection::TakeLoad() {
    if (!loading() || !worker_->Finished()) {
        return;
    }
    timer_->stop();
    try {
        InventoryOutcome outcome = worker_->Take();
        if (outcome.failure) {
            throw std::runtime_error(*outcome.failure);
        }
        const Inventory& inventory = outcome.inventory;
        ShowEntries(inventory.entries);
        std::string footer = LoadedText(inventory.entries.size());
        if (!inventory.errors.empty()) {
            context_.Diagnose("App loader: " + Joined(inventory.errors, " | "));
            footer += kSomeUnreadable;
        }
        if (inventory.entries.empty()) {
            footer = std::string(kNoEntries);
            context_.Diagnose("App inventory returned 0 entries.");
        }
        footer_->setText(footer);
        context_.Style(*form_);
    } catch (const std::exception& e) {
        context_.Diagnose(std::string("App load failed: ") + e.what());
        footer_->setText(std::string(kLoadFailed) + e.what());
    }
    EndLoad();
}

void ProgramsSection::ShowEntries(const std::vector<AppEntry>& entries) {
    grid_->suspendLayout();
    grid_->clearRows();
    int number = 0;
    for (const AppEntry& entry : entries) {
        toolkit::CellValue size;
        if (entry.MB) {
            size = *entry.MB;
        }
        const int row = grid_->addRow(
            {false, entry.Name, entry.Publisher, size, std::string(InitialState(entry))},
            ProgramRow{number++, entry});
        if (entry.Protected || entry.Command.empty()) {
            grid_->setCellReadOnly(row, kSelectColumn, true);
        }
    }
    grid_->resumeLayout();
}

void ProgramsSection::EndLoad() {
    worker_.reset();
    SetListControlsEnabled(true);
}

void ProgramsSection::AbandonLoad() {
    if (timer_) {
        timer_->stop();
    }
    if (worker_) {
        worker_->Abandon();
        worker_.reset();
    }
}

// ---- finding and ticking -----------------------------------------------------------

void ProgramsSection::Filter() {
    if (busy_) {
        return;
    }
    grid_->setCurrentCell({});
    const std::string term = std::string(base::TrimSpace(search_->text()));
    const int name = grid_->columnIndex("Name");
    const int publisher = grid_->columnIndex("Publisher");
    grid_->suspendLayout();
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const bool visible = term.empty() ||
                             base::ContainsIgnoreCase(grid_->cellText(row, name), term) ||
                             base::ContainsIgnoreCase(grid_->cellText(row, publisher), term);
        if (!visible) {
            grid_->setCell(row, kSelectColumn, false);
        }
        grid_->setRowHidden(row, !visible);
    }
    grid_->resumeLayout();
}

void ProgramsSection::SelectVisible() {
    for (int row : grid_->visibleRows()) {
        if (!grid_->cellReadOnly(row, kSelectColumn)) {
            grid_->setCell(row, kSelectColumn, true);
        }
    }
}

void ProgramsSection::ClearTicks() {
    for (int row = 0; row < grid_->rowCount(); ++row) {
        grid_->setCell(row, kSelectColumn, false);
    }
}

void ProgramsSection::Pause() {
    stop_ = true;
    pause_->setText(std::string(kPausingText));
}

void ProgramsSection::RemoveVisible() {
    if (busy_) {
        return;
    }
    selectVisible_->userClick();
    remove_->userClick();
}

// ---- the queue ----------------------------------------------------------------------

std::vector<ProgramsSection::ProgramRow> ProgramsSection::ChosenRows() {
    std::vector<ProgramRow> chosen;
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const toolkit::CellValue& tick = grid_->cell(row, kSelectColumn);
        if (!std::holds_alternative<bool>(tick) || !std::get<bool>(tick) ||
            grid_->cellReadOnly(row, kSelectColumn)) {
            continue;
        }
        if (const auto* program = std::any_cast<ProgramRow>(&grid_->row(row).tag)) {
            chosen.push_back(*program);
        }
    }
    return chosen;
}

bool ProgramsSection::Confirm(const std::vector<ProgramRow>& chosen) {
    std::vector<std::string> names;
    names.reserve(chosen.size());
    for (const ProgramRow& row : chosen) {
        names.push_back(row.entry.Name);
    }
    toolkit::MessageBoxArgs box;
    box.owner = form_;
    box.text = std::string(kConfirmHead) + Joined(names, "\r\n");
    box.caption = std::string(kConfirmCaption);
    box.buttons = toolkit::MessageButtons::YesNo;
    box.icon = toolkit::MessageIcon::Warning;
    return context_.App().messageBox(box) == toolkit::DialogResult::Yes;
}

void ProgramsSection::RunQueue() {
    if (busy_) {
        return;
    }
    grid_->commitPendingEdit();
    const std::vector<ProgramRow> chosen = ChosenRows();
    if (chosen.empty()) {
        toolkit::MessageBoxArgs box;
        box.text = std::string(kTickFirst);
        context_.App().messageBox(box);
        return;
    }
    if (!Confirm(chosen)) {
        return;
    }

    const std::vector<records::DriveReading> before = records::ReadStorage18(context_.Machine());
    QueueCounts counts;
    busy_ = true;
    stop_ = false;
    // The queue cannot be stopped from outside: a close attempt is refused.
    queueLease_ = context_.HoldEmbedded({});
    pause_->setText(std::string(kPauseText));
    pause_->setEnabled(true);
    SetListControlsEnabled(false);
    grid_->setEnabled(false);

    try {
        for (const ProgramRow& row : chosen) {
            if (stop_) {
                break;
            }
            if (!Uninstall(row, counts)) {
                break;
            }
        }
    } catch (const std::exception& e) {
        // Only a fault of the product itself gets here (a row's own
        // failures are reported on the row): the queue ends as if stopped.
        context_.Diagnose(std::string("Uninstall queue failed: ") + e.what());
    }
    FinishQueue(before, counts, stop_ || counts.attempted < static_cast<int>(chosen.size()));
}

bool ProgramsSection::Uninstall(const ProgramRow& row, QueueCounts& counts) {
    ++counts.attempted;
    SetState(row.number, kStateRunning);
    context_.PumpPending();
    try {
        if (!EntryExists(row.entry)) {
            SetState(row.number, kStateVanished);
            return true;
        }
        platform::Machine& machine = context_.Machine();
        const PreparedUninstall prepared =
            PrepareUninstall(row.entry.Command, machine.environment(), machine.files());
        if (!prepared.launch) {
            throw UninstallFailure(RefusalText(prepared.refusal));
        }
        const std::string exitCode =
            StartAndWait(prepared.launch->program, prepared.launch->arguments);
        SetState(row.number, kStateCheckWindow);
        counts.logLines.push_back(row.entry.Name + " : launched; exit=" + exitCode);
        if (EntryExists(row.entry)) {
            toolkit::MessageBoxArgs box;
            box.owner = form_;
            box.text = std::string(kContinuePrompt);
            box.caption = std::string(kContinueCaption);
            box.buttons = toolkit::MessageButtons::YesNo;
            if (context_.App().messageBox(box) != toolkit::DialogResult::Yes) {
                return false;
            }
            SetState(row.number, kStateReviewAfterReload);
        } else {
            ++counts.successes;
            SetState(row.number, kStateRemoved);
        }
    } catch (const std::exception& e) {
        Fail(row, e.what(), counts);
    }
    return true;
}

std::string ProgramsSection::StartAndWait(const std::string& program,
                                          const std::string& arguments) {
    platform::ShellLaunch launch;
    launch.file = program;
    launch.arguments = arguments;
    launch.owner = context_.Owner();
    launch.wantProcess = true;
    launch.noErrorUi = true;
    auto started = context_.Machine().processes().OpenWithShell(launch);
    if (!started) {
        throw UninstallFailure(started.error().message);
    }
    std::unique_ptr<platform::Process> process = std::move(started).value();
    if (!process) {
        return "unknown";
    }
    const base::Result<int> exit = process->Wait(kUninstallerPollMs, [this] {
        context_.PumpPending();
        return true;
    });
    // A process that could not be followed to its end tells no code.
    return exit ? std::to_string(exit.value()) : std::string("unknown");
}

void ProgramsSection::Fail(const ProgramRow& row, const std::string& text, QueueCounts& counts) {
    SetState(row.number, kStateFailed);
    counts.logLines.push_back(row.entry.Name + " : " + text);
    toolkit::MessageBoxArgs box;
    box.owner = form_;
    box.text = row.entry.Name + "\r\n" + text;
    box.caption = std::string(kFailureCaption);
    context_.App().messageBox(box);
}

void ProgramsSection::FinishQueue(const std::vector<records::DriveReading>& before,
                                  const QueueCounts& counts, bool stopped) {
    platform::Machine& machine = context_.Machine();
    if (!counts.logLines.empty()) {
        // A log that cannot be written costs nothing of the run.
        (void)records::WriteRemovalLog(machine, records::kAppsLogPrefix, counts.logLines);
    }
    busy_ = false;
    queueLease_.Release();
    pause_->setEnabled(false);
    SetListControlsEnabled(true);
    grid_->setEnabled(true);

    if (!options_.reports) {
        options_.reports = std::make_shared<records::ReportStore>(machine);
    }
    const records::CleanupReport report =
        options_.reports->SaveReport18(kReportKind, before, 0, counts.attempted, counts.successes,
                                       counts.attempted - counts.successes, stopped);
    context_.Tell(records::ReportSummary18(report, context_.Culture()));
}

bool ProgramsSection::EntryExists(const AppEntry& entry) {
    const std::optional<KeyPlace> place = PlaceOf(entry.Key);
    return place && context_.Machine().registry().KeyExists(place->hive, place->path);
}

int ProgramsSection::RowOf(int number) const {
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const auto* program = std::any_cast<ProgramRow>(&grid_->row(row).tag);
        if (program && program->number == number) {
            return row;
        }
    }
    return -1;
}

void ProgramsSection::SetState(int number, std::string_view state) {
    if (const int row = RowOf(number); row >= 0) {
        grid_->setCell(row, kStateColumn, std::string(state));
    }
}

// ---- the shell's side -----------------------------------------------------------------

std::unique_ptr<ProgramsSection> OpenPrograms(shell::SectionContext& context,
                                              ProgramsOptions options) {
    if (!options.reports) {
        options.reports = std::make_shared<records::ReportStore>(context.Machine());
    }
    return std::make_unique<ProgramsSection>(context, std::move(options));
}

void RegisterPrograms(shell::SectionCatalog& catalog, ProgramsOptions options) {
    auto shared = std::make_shared<ProgramsOptions>(std::move(options));
    catalog.Add(shell::Section::Applications, {.make = [shared](shell::SectionContext& context) {
                    if (!shared->reports) {
                        shared->reports = std::make_shared<records::ReportStore>(context.Machine());
                    }
                    return OpenPrograms(context, *shared);
                }});
}

} // namespace vexo::programs
