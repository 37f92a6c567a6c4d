#pragma once
// The data grid on a virtual list view: rows are asked for as they show, so
// refilling a page repaints once. The tick column stands at the right in a
// right-to-left grid; the header is drawn by us at the grid's own height and
// colours; text cells edit in a box committed through the grid.

#include "toolkit/data_grid.h"
#include "toolkit/win32/window_peer.h"

#include <string>

namespace vexo::toolkit::win32 {

class GridPeer : public WindowPeer {
public:
    explicit GridPeer(DataGrid& grid) : WindowPeer(grid), grid_(grid) {}
    ~GridPeer() override;
    GridPeer(const GridPeer&) = delete;
    GridPeer& operator=(const GridPeer&) = delete;

protected:
    WindowStyle windowStyle() const override;
    void afterCreate() override;
    void updateKind(Change what) override;
    void afterBounds() override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool onNotify(NMHDR* hdr, LRESULT& result) override;

private:
    static LRESULT CALLBACK headerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR ref);
    static LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                     DWORD_PTR ref);

    // ---- columns and look (grid_peer.cpp)
    void fillColumns();
    void fitColumnWidths();
    int widthForColumns() const;
    bool rowsOverflow(int clientHeight) const;
    void applyLook();
    void applyTickBoxes();
    void refill();
    void showCurrentRow();

    // ---- what the list view asks and tells (grid_peer.cpp)
    void giveCell(NMLVDISPINFOW& request);
    void onClick(const NMITEMACTIVATE& click);
    void onDoubleClick(const NMITEMACTIVATE& click);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW& draw, bool& handled);

    // ---- drawing (grid_paint.cpp)
    bool onHeaderMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void paintHeader(HDC dc);
    void paintTickCell(HDC dc, const RECT& row, COLORREF color);
    void drawGridLines(HDC dc, const RECT& row);

    // ---- the cell edit box (grid_edit.cpp): typing keeps the grid's pending
    // edit, Enter or leaving the box commits it, Escape drops it.
    bool onEditMessage(HWND box, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool beginEdit(int item, int column);
    void beginEditAtCurrentCell();
    void endEdit(bool commit);
    void closeEditBox();

    // The row shown at a place in the list, or -1 past its end.
    int rowAt(int item) const;

    DataGrid& grid_;
    std::wstring cellText_; // kept alive for the list view's display request
    HWND header_ = nullptr; // the column header, subclassed
    SIZE tickBoxes_{};      // the size the tick-box images were made for
    HWND edit_ = nullptr;   // an open cell edit box
    GridCellRef editing_;
};

} // namespace vexo::toolkit::win32
