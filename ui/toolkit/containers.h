#pragma once
// Containers: a form (top-level, modal, or hosted in a panel), a plain panel
// that docks its children, a table layout and a flow layout.

#include "toolkit/control.h"
#include "toolkit/control_args.h"
#include "toolkit/dialogs.h"
#include "toolkit/layout.h"

#include <vector>

namespace vexo::toolkit {

struct FormArgs : ControlArgs {
    bool resizable = true;
    bool minimizeBox = true;
    bool maximizeBox = true;
    bool centerOnScreen = true;
};

class Form : public Control {
public:
    Form(Application& app, FormArgs args);
    ~Form() override;
    Kind kind() const override { return Kind::Form; }

    const FormArgs& args() const { return args_; }
    // A form in a panel: no border, no caption, not top-level.
    bool hosted() const { return parent() != nullptr; }
    Form* owner() const { return owner_; }
    bool shown() const { return shown_; }
    bool minimized() const { return minimized_; }
    void setMinimized(bool m) { minimized_ = m; }

    // The bounds of a top-level form are the whole window, frame and caption
    // included, as the user measures it; the frame's thickness on each side is
    // told by the backend (none in memory) and the children share what is left.
    const Spacing& frame() const { return frame_; }
    void setFrame(Spacing frame);
    Rect displayRect() const override;

    // Shows the form on its own, without waiting.
    void show();
    // Shows the form owned by `owner` and returns once it has closed.
    DialogResult showModal(Form* owner);
    DialogResult dialogResult() const { return dialogResult_; }
    void setDialogResult(DialogResult r) { dialogResult_ = r; }

    // Asks to close: onCloseRequest may cancel. Returns true when it closed.
    bool requestClose();
    // Told by the backend that the window is gone.
    void closedByBackend();
    // Windows is shutting down or the user signs out: onEndSessionQuery may
    // refuse by setting `cancel`. Returns true when the session may end. The
    // form stays as it is either way; the system ends the process itself.
    bool queryEndSession();

    Handler<CloseEvent> onCloseRequest;
    Handler<CloseEvent> onEndSessionQuery;
    Handler<Event> onShown;

protected:
    bool wantsPeer() const override { return shown_ || parent() != nullptr; }

private:
    FormArgs args_;
    Form* owner_ = nullptr;
    bool shown_ = false;
    bool minimized_ = false;
    Spacing frame_;
    DialogResult dialogResult_ = DialogResult::None;
};

struct PanelArgs : ControlArgs {
    bool border = false;
};

class Panel : public Control {
public:
    explicit Panel(PanelArgs args = {});
    Kind kind() const override { return Kind::Panel; }
    bool border() const { return border_; }

private:
    bool border_;
};

struct TableLayoutArgs : ControlArgs {
    std::vector<Track> columns;
    std::vector<Track> rows;
};

class TableLayout : public Control {
public:
    explicit TableLayout(TableLayoutArgs args = {});
    Kind kind() const override { return Kind::TableLayout; }

    const std::vector<Track>& columns() const { return columns_; }
    const std::vector<Track>& rows() const { return rows_; }
    void setColumns(std::vector<Track> c);
    void setRows(std::vector<Track> r);
    // Adds a child into a given cell.
    template <class T, class... A> T* addAt(int column, int row, A&&... args) {
        T* c = add<T>(std::forward<A>(args)...);
        Control* base = c; // a grid's own cell() means one of its cells
        base->setCell({column, row, base->cell().columnSpan, base->cell().rowSpan});
        return c;
    }

protected:
    void layoutChildren() override;

private:
    std::vector<Track> columns_;
    std::vector<Track> rows_;
};

struct FlowLayoutArgs : ControlArgs {
    FlowDirection direction = FlowDirection::LeftToRight;
    bool wrap = true;
    bool autoScroll = false;
};

class FlowLayout : public Control {
public:
    explicit FlowLayout(FlowLayoutArgs args = {});
    Kind kind() const override { return Kind::FlowLayout; }

    FlowDirection direction() const { return direction_; }
    bool wrap() const { return wrap_; }
    bool autoScroll() const { return autoScroll_; }
    // How far the content is scrolled; kept within the extent.
    Point scrollOffset() const { return scrollOffset_; }
    void setScrollOffset(Point p);
    // Scroll bars are needed where the content is larger than the client.
    bool needsVerticalScroll() const;
    bool needsHorizontalScroll() const;

protected:
    void layoutChildren() override;

private:
    FlowDirection direction_;
    bool wrap_;
    bool autoScroll_;
    Point scrollOffset_;
};

} // namespace vexo::toolkit
