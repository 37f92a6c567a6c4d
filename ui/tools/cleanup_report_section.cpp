#include "tools/cleanup_report_section.h"

#include "shell/style.h"
#include "tools/windows_tools.h"

#include <exception>

namespace vexo::tools {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

// Rows of the section, top to bottom: summary, action bar, table, note.
constexpr int kSummaryHeight = 130;
constexpr int kActionBarHeight = 50;
constexpr int kNoteHeight = 65;

toolkit::CellValue Cell(const std::optional<double>& gb) {
    return gb ? toolkit::CellValue(*gb) : toolkit::CellValue();
}

toolkit::GridColumn NumberColumn(std::string_view name, std::string_view header,
                                 const base::Culture& culture) {
    return {.name = std::string(name),
            .header = std::string(header),
            .kind = toolkit::ColumnKind::Number,
            // An empty cell is a figure that does not exist, not zero.
            .format =
                [culture](const toolkit::CellValue& v) {
                    return std::holds_alternative<double>(v)
                               ? base::FormatN(std::get<double>(v), 2, culture)
                               : std::string();
                },
            .readOnly = true};
}

} // namespace

// ---- the repair console ---------------------------------------------------------------

bool RepairConsole::Open() {
    if (!console_) {
        return false;
    }
    try {
        return !console_->HasExited();
    } catch (const std::exception&) {
        return false;
    }
}

// ---- the section ------------------------------------------------------------------------

CleanupReportSection::CleanupReportSection(shell::SectionContext& context,
                                           CleanupReportOptions options)
    : context_(context), options_(std::move(options)) {}

std::unique_ptr<toolkit::Control> CleanupReportSection::Build() {
    // Taken once: the summary keeps describing this report while the section
    // stays open, whatever runs meanwhile.
    shown_ = options_.reports->LastReport();

    toolkit::TableLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.rows = {toolkit::Track::pixels(kSummaryHeight), toolkit::Track::pixels(kActionBarHeight),
                 toolkit::Track::fill(), toolkit::Track::pixels(kNoteHeight)};
    auto view = std::make_unique<toolkit::TableLayout>(args);
    view->setAccessibleName("cleanup-report");

    toolkit::LabelArgs summaryArgs;
    summaryArgs.dock = Dock::Fill;
    summaryArgs.font = toolkit::Font{"Segoe UI", 11.0f, true};
    summaryArgs.text =
        shown_ ? records::ReportSummary18(*shown_, context_.Culture()) : std::string(kNoReport);
    summary_ = view->addAt<toolkit::Label>(0, 0, summaryArgs);

    toolkit::FlowLayoutArgs barArgs;
    barArgs.dock = Dock::Fill;
    barArgs.direction = toolkit::FlowDirection::RightToLeft;
    barArgs.wrap = false;
    barArgs.autoScroll = true;
    auto* bar = view->addAt<toolkit::FlowLayout>(0, 1, barArgs);
    auto* measure = shell::AddBarButton(*bar, kMeasureText);
    auto* recycleBin = shell::AddBarButton(*bar, kRecycleBinText);
    auto* repair = shell::AddBarButton(*bar, kRepairText);
    auto* restart = shell::AddBarButton(*bar, kRestartText);
    auto* cancel = shell::AddBarButton(*bar, kCancelRestartText);

    const base::Culture& culture = context_.Culture();
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.readOnly = true;
    gridArgs.columns = {
        {.name = std::string(kColumnRoot), .header = "القرص", .format = {}, .readOnly = true},
        NumberColumn(kColumnBefore, "المتاح قبل GB", culture),
        NumberColumn(kColumnAfter, "المتاح الآن GB", culture),
        NumberColumn(kColumnDelta, "الفرق GB", culture),
        NumberColumn(kColumnUsed, "المستخدم الباقي GB", culture),
        NumberColumn(kColumnTotal, "الكلي GB", culture),
    };
    table_ = view->addAt<toolkit::DataGrid>(0, 2, gridArgs);

    toolkit::LabelArgs noteArgs;
    noteArgs.dock = Dock::Fill;
    noteArgs.text = std::string(kReportNote);
    view->addAt<toolkit::Label>(0, 3, noteArgs);

    measure->onClick = [this](toolkit::ClickEvent&) { Render(); };
    recycleBin->onClick = [this](toolkit::ClickEvent&) { OpenRecycleBin(); };
    repair->onClick = [this](toolkit::ClickEvent&) { StartRepair18(); };
    restart->onClick = [this](toolkit::ClickEvent&) { Restart(); };
    cancel->onClick = [this](toolkit::ClickEvent&) { CancelRestart(); };

    content_ = view.get();
    Render();
    return view;
}

void CleanupReportSection::Render() {
    table_->clearRows();
    for (const records::ReportTableRow& row :
         records::ReportTableRows(shown_, records::ReadStorage18(context_.Machine()))) {
        table_->addRow(
            {row.root, Cell(row.before), row.after, Cell(row.delta), row.used, row.total});
    }
}

void CleanupReportSection::OpenRecycleBin() {
    context_.OpenTool(std::string(kExplorer), std::string(kRecycleBinFolder));
}

bool CleanupReportSection::Ask(std::string_view caption, std::string_view text,
                               toolkit::MessageIcon icon) {
    toolkit::MessageBoxArgs box;
    box.owner = content_; // the main window, which holds the content
    box.caption = std::string(caption);
    box.text = std::string(text);
    box.buttons = toolkit::MessageButtons::YesNo;
    box.icon = icon;
    return context_.App().messageBox(box) == toolkit::DialogResult::Yes;
}

void CleanupReportSection::StartRepair18() {
    if (!context_.CanNavigate()) {
        return;
    }
    RepairConsole& console = *options_.console;
    if (console.Open()) {
        context_.Tell(std::string(kRepairStillOpen));
        return;
    }
    if (!Ask(kRepairCaption, kRepairQuestion, toolkit::MessageIcon::Information)) {
        return;
    }
    platform::Machine& machine = context_.Machine();
    auto started =
        machine.processes().OpenWithShell(RepairLaunch(machine.environment(), context_.Owner()));
    if (!started.ok()) {
        // Declining the elevation prompt lands here too, with Windows' text
        // for a cancelled operation.
        context_.Tell(std::string(kRepairNotStarted) + started.error().message);
        return;
    }
    console.Keep(std::move(started).value());
    context_.Tell(std::string(kRepairStarted));
}

void CleanupReportSection::Restart() {
    if (!Ask(kRestartCaption, kRestartQuestion, toolkit::MessageIcon::Question)) {
        return;
    }
    RunShutdown(kRestartArguments, kRestartRequested, kRestartRefused);
}

void CleanupReportSection::CancelRestart() {
    RunShutdown(kCancelRestartArguments, kRestartCancelled, kNothingToCancel);
}

void CleanupReportSection::RunShutdown(std::string_view arguments, std::string_view accepted,
                                       std::string_view refused) {
    platform::Machine& machine = context_.Machine();
    auto started = machine.processes().Start(ShutdownLaunch(machine.environment(), arguments));
    if (!started.ok()) {
        context_.Tell(started.error().message);
        return;
    }
    // shutdown.exe only hands the request to Windows and ends at once; the
    // window waits for its answer without letting other clicks through.
    constexpr int kWaitSliceMs = 100;
    base::Result<int> exitCode = (*started)->Wait(kWaitSliceMs, {});
    if (!exitCode.ok()) {
        context_.Tell(exitCode.error().message);
        return;
    }
    context_.Tell(std::string(*exitCode == 0 ? accepted : refused));
}

// ---- the shell's side -----------------------------------------------------------------

void OpenReport18(shell::SectionContext& context) {
    context.OpenSection(shell::Section::CleanupReport);
}

void RegisterCleanupReport(shell::SectionCatalog& catalog, CleanupReportOptions options) {
    // One console for every opening: it outlives each of them.
    auto shared = std::make_shared<CleanupReportOptions>(std::move(options));
    if (!shared->console) {
        shared->console = std::make_shared<RepairConsole>();
    }
    catalog.Add(shell::Section::CleanupReport, {.make = [shared](shell::SectionContext& context) {
                    if (!shared->reports) {
                        shared->reports = std::make_shared<records::ReportStore>(context.Machine());
                    }
                    return std::make_unique<CleanupReportSection>(context, *shared);
                }});
}

} // namespace vexo::tools
