#pragma once
// The data grid: tick-box, text and number columns sharing the width by fill
// weights, hidden rows, read-only cells, whole-row selection and header-click
// sorting. Rows live here; the real backend shows them through a virtual list
// so that refilling a page of 500 rows repaints once.

#include "toolkit/control_args.h"

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace vexo::toolkit {

enum class ColumnKind { Tick, Text, Number };

using CellValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

struct GridColumn {
    std::string name;   // how sections refer to it (`Pick`, `MB`)
    std::string header; // what the user reads
    ColumnKind kind = ColumnKind::Text;
    float fillWeight = 100;
    // Display format of a value; none: plain text, numbers as the shortest form.
    std::function<std::string(const CellValue&)> format;
    bool readOnly = false;
    bool sortable = false;
    bool visible = true;
};

struct GridRow {
    std::vector<CellValue> cells;
    bool hidden = false;
    std::any tag; // the record the row shows
    // Cells of this row the user may not change although their column may
    // be changed (a program that cannot be ticked), one bit per column.
    std::uint64_t lockedColumns = 0;
};

struct GridCellRef {
    int row = -1;
    int column = -1;
    bool operator==(const GridCellRef&) const = default;
};

struct DataGridArgs : ControlArgs {
    std::vector<GridColumn> columns;
    bool readOnly = false;
    bool multiSelect = false;
    bool fullRowSelect = true;
};

class DataGrid : public Control {
public:
    explicit DataGrid(DataGridArgs args = {});
    Kind kind() const override { return Kind::DataGrid; }

    // ---- columns ----------------------------------------------------------
    const std::vector<GridColumn>& columns() const { return columns_; }
    void setColumns(std::vector<GridColumn> columns);
    int columnIndex(const std::string& name) const; // -1 when absent
    // Pixel widths of the visible columns' share of `width` by fill weight;
    // hidden columns get 0.
    std::vector<int> columnWidths(int width) const;

    // ---- rows ---------------------------------------------------------------
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const GridRow& row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    int addRow(std::vector<CellValue> cells, std::any rowTag = {});
    // Takes one row out; the rows below move up, and the selection and the
    // current cell stay with the rows they were on.
    void removeRow(int row);
    void clearRows();
    void setCell(int row, int column, CellValue value);
    const CellValue& cell(int row, int column) const;
    std::string cellText(int row, int column) const;
    void setRowHidden(int row, bool hidden);
    // Rows as the user sees them, top to bottom (hidden ones left out).
    std::vector<int> visibleRows() const;
    // Ticked rows of the first tick column, hidden rows included.
    std::vector<int> tickedRows() const;

    // ---- look ----------------------------------------------------------------
    struct Look {
        int headerHeight = 24;
        Color headerBack = Color::rgb(240, 240, 240);
        Color headerFore = kBlack;
        bool platformHeaderStyle = true;
        int rowHeight = 22;
        std::optional<Color> alternatingRowBack;
        Color selectionBack = Color::rgb(0, 120, 215);
        Color selectionFore = kWhite;
        Color gridLines = Color::rgb(160, 160, 160);
        bool border = true;
    };
    const Look& look() const { return look_; }
    void setLook(const Look& look);

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    bool cellReadOnly(int row, int column) const;
    // Locks or unlocks one cell of a row whatever its column allows (the
    // first 64 columns).
    void setCellReadOnly(int row, int column, bool readOnly);
    bool multiSelect() const { return multiSelect_; }
    bool fullRowSelect() const { return fullRowSelect_; }

    // ---- selection and editing -----------------------------------------------------
    const std::set<int>& selectedRows() const { return selected_; }
    void selectRow(int row, bool addToSelection = false);
    void clearSelection();
    GridCellRef currentCell() const { return current_; }
    void setCurrentCell(GridCellRef c);
    // An edit the user started and has not left yet; committed by
    // commitPendingEdit (sections do so before they read the ticks).
    bool hasPendingEdit() const { return pending_.has_value(); }
    void commitPendingEdit();
    void cancelPendingEdit();

    // ---- sorting ----------------------------------------------------------------
    int sortColumn() const { return sortColumn_; }
    bool sortAscending() const { return sortAscending_; }
    // Sorts the rows by a column (stable); the selection follows its rows.
    void sortBy(int column, bool ascending);

    // ---- user input ----------------------------------------------------------------
    // Ticks or clears the first tick column of a row (at once, as a click on
    // the box does). Returns false when the cell is read-only.
    bool userTick(int row);
    // Starts an edit of a cell; the value is kept until committed.
    bool userEdit(int row, int column, CellValue value);
    // A click on a row; `column`, when given, becomes the current cell's.
    void userSelect(int row, bool addToSelection = false, int column = -1);
    void userHeaderClick(int column);
    // A double click on a cell: raises onCellDoubleClick.
    void userDoubleClick();
    // The keys of a list: Up, Down, Home, End, Page Up and Page Down move
    // the current row among the visible rows (selecting it alone); Space
    // ticks the current row.
    bool userKeyDefault(const KeyEvent& e) override;

    Handler<TickChangedEvent> onTickChanged; // a tick cell changed
    Handler<SelectionChangedEvent> onSelectionChanged;
    Handler<Event> onCellValueChanged; // a committed edit
    Handler<Event> onCellDoubleClick;

protected:
    void layoutResumed() override;

private:
    void changedItems();
    int firstTickColumn() const;
    int rowsPerPage() const;

    std::vector<GridColumn> columns_;
    std::vector<GridRow> rows_;
    Look look_;
    bool readOnly_;
    bool multiSelect_;
    bool fullRowSelect_;
    std::set<int> selected_;
    GridCellRef current_;
    struct Pending {
        GridCellRef at;
        CellValue value;
    };
    std::optional<Pending> pending_;
    int sortColumn_ = -1;
    bool sortAscending_ = true;
    bool itemsDirty_ = false;
};

} // namespace vexo::toolkit
