#include "toolkit/data_grid.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <stdexcept>

namespace vexo::toolkit {

namespace {

const CellValue kEmpty{};

std::string plainText(const CellValue& v) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(std::int64_t n) const { return std::to_string(n); }
        std::string operator()(double d) const {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.15g", d);
            return buf;
        }
        std::string operator()(const std::string& s) const { return s; }
    };
    return std::visit(Visitor{}, v);
}

// Orders values of one column: empty first, then numbers, then text by bytes.
int compareValues(const CellValue& a, const CellValue& b) {
    auto number = [](const CellValue& v, double& out) {
        if (auto* i = std::get_if<std::int64_t>(&v)) {
            out = static_cast<double>(*i);
            return true;
        }
        if (auto* d = std::get_if<double>(&v)) {
            out = *d;
            return true;
        }
        if (auto* f = std::get_if<bool>(&v)) {
            out = *f ? 1 : 0;
            return true;
        }
        return false;
    };
    double x = 0;
    double y = 0;
    const bool nx = number(a, x);
    const bool ny = number(b, y);
    if (nx && ny) {
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const int ra = std::holds_alternative<std::monostate>(a) ? 0 : (nx ? 1 : 2);
    const int rb = std::holds_alternative<std::monostate>(b) ? 0 : (ny ? 1 : 2);
    if (ra != rb) {
        return ra < rb ? -1 : 1;
    }
    if (ra == 2) {
        return std::get<std::string>(a).compare(std::get<std::string>(b));
    }
    return 0;
}

} // namespace

DataGrid::DataGrid(DataGridArgs args)
    : columns_(std::move(args.columns)), readOnly_(args.readOnly), multiSelect_(args.multiSelect),
      fullRowSelect_(args.fullRowSelect) {
    applyArgs(*this, args);
}

// ---- columns ------------------------------------------------------------------

void DataGrid::setColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    rows_.clear();
    selected_.clear();
    current_ = {};
    pending_.reset();
    sortColumn_ = -1;
    changedItems();
}

int DataGrid::columnIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<int> DataGrid::columnWidths(int width) const {
    std::vector<int> out(columns_.size(), 0);
    float total = 0;
    int last = -1;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].visible) {
            total += std::max(0.0f, columns_[i].fillWeight);
            last = static_cast<int>(i);
        }
    }
    if (total <= 0 || width <= 0) {
        return out;
    }
    int used = 0;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].visible) {
            out[i] = static_cast<int>(static_cast<float>(width) * columns_[i].fillWeight / total);
            used += out[i];
        }
    }
    out[static_cast<size_t>(last)] += width - used;
    return out;
}

// ---- rows -----------------------------------------------------------------------

int DataGrid::addRow(std::vector<CellValue> cells, std::any rowTag) {
    cells.resize(columns_.size());
    rows_.push_back(GridRow{std::move(cells), false, std::move(rowTag), 0});
    changedItems();
    return rowCount() - 1;
}

void DataGrid::removeRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (pending_) {
        if (pending_->at.row == row) {
            pending_.reset();
        } else if (pending_->at.row > row) {
            --pending_->at.row;
        }
    }
    rows_.erase(rows_.begin() + row);
    const bool wasSelected = selected_.count(row) > 0;
    std::set<int> moved;
    for (int r : selected_) {
        if (r != row) {
            moved.insert(r > row ? r - 1 : r);
        }
    }
    selected_ = std::move(moved);
    if (current_.row == row) {
        current_ = {};
    } else if (current_.row > row) {
        --current_.row;
    }
    changedItems();
    if (wasSelected) {
        SelectionChangedEvent e;
        raise(onSelectionChanged, e);
    }
}

void DataGrid::clearRows() {
    rows_.clear();
    pending_.reset();
    const bool hadSelection = !selected_.empty();
    selected_.clear();
    current_ = {};
    changedItems();
    if (hadSelection) {
        SelectionChangedEvent e;
        raise(onSelectionChanged, e);
    }
}

void DataGrid::setCell(int row, int column, CellValue value) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= static_cast<int>(columns_.size())) {
        throw std::out_of_range("grid cell out of range");
    }
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = std::move(value);
    changedItems();
}

const CellValue& DataGrid::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= static_cast<int>(columns_.size())) {
        return kEmpty;
    }
    return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

std::string DataGrid::cellText(int row, int column) const {
    const CellValue& v = cell(row, column);
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return {};
    }
    const GridColumn& c = columns_[static_cast<size_t>(column)];
    if (c.format && !std::holds_alternative<std::monostate>(v)) {
        return c.format(v);
    }
    return plainText(v);
}

void DataGrid::setRowHidden(int row, bool hidden) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    rows_[static_cast<size_t>(row)].hidden = hidden;
    if (hidden && selected_.erase(row) > 0) {
        SelectionChangedEvent e;
        raise(onSelectionChanged, e);
    }
    changedItems();
}

std::vector<int> DataGrid::visibleRows() const {
    std::vector<int> out;
    out.reserve(rows_.size());
    for (int i = 0; i < rowCount(); ++i) {
        if (!rows_[static_cast<size_t>(i)].hidden) {
            out.push_back(i);
        }
    }
    return out;
}

int DataGrid::firstTickColumn() const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].kind == ColumnKind::Tick) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<int> DataGrid::tickedRows() const {
    std::vector<int> out;
    const int col = firstTickColumn();
    if (col < 0) {
        return out;
    }
    for (int i = 0; i < rowCount(); ++i) {
        const CellValue& v = cell(i, col);
        if (auto* b = std::get_if<bool>(&v); b && *b) {
            out.push_back(i);
        }
    }
    return out;
}

void DataGrid::changedItems() {
    if (layoutSuspended()) {
        itemsDirty_ = true;
        return;
    }
    notify(Change::Items);
}

void DataGrid::layoutResumed() {
    if (itemsDirty_) {
        itemsDirty_ = false;
        notify(Change::Items);
    }
}

// ---- look ---------------------------------------------------------------------

void DataGrid::setLook(const Look& look) {
    look_ = look;
    notify(Change::Style);
}

bool DataGrid::cellReadOnly(int row, int column) const {
    if (readOnly_) {
        return true;
    }
    if (column < 0 || column >= static_cast<int>(columns_.size()) ||
        columns_[static_cast<size_t>(column)].readOnly) {
        return true;
    }
    return row >= 0 && row < rowCount() && column < 64 &&
           (rows_[static_cast<size_t>(row)].lockedColumns >> column & 1U) != 0;
}

void DataGrid::setCellReadOnly(int row, int column, bool readOnly) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= 64) {
        return;
    }
    const std::uint64_t bit = std::uint64_t{1} << column;
    std::uint64_t& locked = rows_[static_cast<size_t>(row)].lockedColumns;
    locked = readOnly ? (locked | bit) : (locked & ~bit);
}

// ---- selection and editing ---------------------------------------------------------

void DataGrid::selectRow(int row, bool addToSelection) {
    if (row < 0 || row >= rowCount() || rows_[static_cast<size_t>(row)].hidden) {
        return;
    }
    std::set<int> next = (addToSelection && multiSelect_) ? selected_ : std::set<int>{};
    next.insert(row);
    current_ = {row, std::max(0, current_.column)};
    if (next == selected_) {
        return;
    }
    selected_ = std::move(next);
    notify(Change::Selection);
    SelectionChangedEvent e;
    raise(onSelectionChanged, e);
}

void DataGrid::clearSelection() {
    if (selected_.empty()) {
        return;
    }
    selected_.clear();
    notify(Change::Selection);
    SelectionChangedEvent e;
    raise(onSelectionChanged, e);
}

void DataGrid::setCurrentCell(GridCellRef c) {
    if (c.row < 0 || c.row >= rowCount()) {
        current_ = {};
        return;
    }
    commitPendingEdit();
    current_ = c;
    selectRow(c.row);
}

void DataGrid::commitPendingEdit() {
    if (!pending_) {
        return;
    }
    Pending p = std::move(*pending_);
    pending_.reset();
    if (p.at.row >= rowCount()) {
        return;
    }
    rows_[static_cast<size_t>(p.at.row)].cells[static_cast<size_t>(p.at.column)] =
        std::move(p.value);
    changedItems();
    Event e;
    raise(onCellValueChanged, e);
}

void DataGrid::cancelPendingEdit() {
    pending_.reset();
}

// ---- sorting --------------------------------------------------------------------

void DataGrid::sortBy(int column, bool ascending) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return;
    }
    commitPendingEdit();
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareValues(cell(a, column), cell(b, column));
        return ascending ? c < 0 : c > 0;
    });
    std::vector<GridRow> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newIndex(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newIndex[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
    }
    rows_ = std::move(sorted);
    std::set<int> moved;
    for (int r : selected_) {
        moved.insert(newIndex[static_cast<size_t>(r)]);
    }
    selected_ = std::move(moved);
    if (current_.row >= 0) {
        current_.row = newIndex[static_cast<size_t>(current_.row)];
    }
    sortColumn_ = column;
    sortAscending_ = ascending;
    changedItems();
}

// ---- user input ------------------------------------------------------------------

bool DataGrid::userTick(int row) {
    const int col = firstTickColumn();
    if (col < 0 || row < 0 || row >= rowCount() || !effectivelyEnabled() ||
        cellReadOnly(row, col)) {
        return false;
    }
    commitPendingEdit();
    const CellValue& v = cell(row, col);
    const bool now = !(std::holds_alternative<bool>(v) && std::get<bool>(v));
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = now;
    current_ = {row, col};
    changedItems();
    TickChangedEvent e;
    raise(onTickChanged, e);
    return true;
}

bool DataGrid::userEdit(int row, int column, CellValue value) {
    if (row < 0 || row >= rowCount() || !effectivelyEnabled() || cellReadOnly(row, column)) {
        return false;
    }
    if (pending_ && !(pending_->at == GridCellRef{row, column})) {
        commitPendingEdit();
    }
    current_ = {row, column};
    pending_ = Pending{{row, column}, std::move(value)};
    return true;
}

void DataGrid::userSelect(int row, bool addToSelection, int column) {
    if (!effectivelyEnabled()) {
        return;
    }
    commitPendingEdit();
    selectRow(row, addToSelection);
    if (column >= 0 && column < static_cast<int>(columns_.size()) && current_.row == row) {
        current_.column = column;
    }
}

bool DataGrid::userKeyDefault(const KeyEvent& e) {
    if (e.alt || !effectivelyEnabled()) {
        return false;
    }
    const std::vector<int> rows = visibleRows();
    if (rows.empty()) {
        return false;
    }
    const auto here = std::find(rows.begin(), rows.end(), current_.row);
    // Without a current row, any move starts at the first row.
    const int at = here == rows.end() ? -1 : static_cast<int>(here - rows.begin());
    const int last = static_cast<int>(rows.size()) - 1;
    int to = 0;
    switch (e.key) {
    case Key::Space:
        if (at < 0 || firstTickColumn() < 0) {
            return false;
        }
        userTick(current_.row);
        return true;
    case Key::Up:
        to = at - 1;
        break;
    case Key::Down:
        to = at + 1;
        break;
    case Key::Home:
        to = 0;
        break;
    case Key::End:
        to = last;
        break;
    case Key::PageUp:
        to = at - rowsPerPage();
        break;
    case Key::PageDown:
        to = at + rowsPerPage();
        break;
    default:
        return false;
    }
    userSelect(rows[static_cast<size_t>(std::clamp(to, 0, last))], false, current_.column);
    return true;
}

int DataGrid::rowsPerPage() const {
    return std::max(1, (bounds().height - look_.headerHeight) / std::max(1, look_.rowHeight));
}

void DataGrid::userHeaderClick(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size()) ||
        !columns_[static_cast<size_t>(column)].sortable || !effectivelyEnabled()) {
        return;
    }
    const bool ascending = sortColumn_ == column ? !sortAscending_ : true;
    sortBy(column, ascending);
}

void DataGrid::userDoubleClick() {
    Event e;
    raise(onCellDoubleClick, e);
}

} // namespace vexo::toolkit
