#pragma once
// The base of every widget: properties, children, events and its part in the
// layout. A control owns its children; a parent owns the controls added to it
// and destroys them with itself. Properties left unset (font, colours, reading
// order) are taken from the nearest parent that sets them.
//
// Events: `onXxx` members; see toolkit/events.h for the handled flag.

#include "toolkit/events.h"
#include "toolkit/geometry.h"
#include "toolkit/path.h"
#include "toolkit/peer.h"
#include "toolkit/timer.h"

#include <any>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexo::toolkit {

class Application;
struct LayoutItem;

enum class Kind {
    Form,
    Panel,
    TableLayout,
    FlowLayout,
    Label,
    Button,
    CheckBox,
    TextBox,
    ComboBox,
    NumericUpDown,
    ListBox,
    DataGrid,
    Drawn,
};

enum class Dock { None, Top, Bottom, Left, Right, Fill };

// Horizontal text alignment as the user sees it (never mirrored).
enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom };

// Where a child sits in a TableLayout; a negative column or row means "the next
// free cell in reading order".
struct Cell {
    int column = -1;
    int row = -1;
    int columnSpan = 1;
    int rowSpan = 1;
};

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    virtual Kind kind() const = 0;

    // ---- tree ---------------------------------------------------------
    // Adds a child built from its arguments and returns it; the parent owns it.
    template <class T, class... A> T* add(A&&... args) {
        auto child = std::make_unique<T>(std::forward<A>(args)...);
        T* raw = child.get();
        adopt(std::move(child));
        return raw;
    }
    // Takes ownership of a control built elsewhere (a section's form hosted in
    // the stage) and returns it.
    Control* adopt(std::unique_ptr<Control> child);
    // Gives up a child without destroying it (a persistent section view taken
    // out of the stage).
    std::unique_ptr<Control> release(Control* child);
    // Runs the disposal handlers of this control and everything below it, then
    // removes it from its parent and destroys it. `this` is gone afterwards.
    void dispose();
    // Disposes every child.
    void clearChildren();

    Control* parent() const { return parent_; }
    const std::vector<std::unique_ptr<Control>>& children() const { return children_; }
    Application* application() const { return app_; }
    ControlPeer* peer() const { return peer_.get(); }
    bool isDisposing() const { return disposing_; }

    // ---- properties ---------------------------------------------------
    const std::string& text() const { return text_; }
    void setText(std::string text);

    Font font() const; // effective
    void setFont(std::optional<Font> font);
    void setFont(const std::string& name, float points, bool bold = false) {
        setFont(Font{name, points, bold});
    }

    Color foreColor() const; // effective
    Color backColor() const; // effective; transparent shows the parent's
    void setForeColor(std::optional<Color> c);
    void setBackColor(std::optional<Color> c);
    // The colour actually painted behind the control: a transparent control
    // shows its parent's.
    Color paintedBackColor() const;

    bool rightToLeft() const; // effective
    void setRightToLeft(std::optional<bool> rtl);

    bool enabled() const { return enabled_; }
    // A control is usable only when it and all its parents are enabled.
    bool effectivelyEnabled() const;
    void setEnabled(bool enabled);

    bool visible() const { return visible_; }
    bool effectivelyVisible() const;
    void setVisible(bool visible);

    const Rect& bounds() const { return bounds_; }
    Size size() const { return bounds_.size(); }
    void setBounds(Rect r);
    void setSize(Size s) { setBounds({bounds_.x, bounds_.y, s.width, s.height}); }
    // Where a layout puts the control. Unlike setBounds it leaves the size
    // the control was given, so a tool bar docked while its form is still
    // empty gets its height back once the form has one.
    void place(Rect r);
    void setLocation(Point p) { setBounds({p.x, p.y, bounds_.width, bounds_.height}); }
    // The client area in the control's own coordinates, less its padding.
    virtual Rect displayRect() const;
    // Position relative to the form that holds the control.
    Rect boundsInForm() const;

    Dock dock() const { return dock_; }
    void setDock(Dock d);
    const Spacing& margin() const { return margin_; }
    void setMargin(Spacing m);
    const Spacing& padding() const { return padding_; }
    void setPadding(Spacing p);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    const Size& minimumSize() const { return minimumSize_; }
    void setMinimumSize(Size s);
    const Cell& cell() const { return cell_; }
    void setCell(Cell c);

    const std::string& tooltip() const { return tooltip_; }
    void setTooltip(std::string text);
    const std::string& accessibleName() const { return accessibleName_; }
    void setAccessibleName(std::string name) { accessibleName_ = std::move(name); }
    // A value the section attaches (a record, an id); never read by the toolkit.
    std::any tag;

    // Visible region shaped from a closed figure; none means the whole rectangle.
    const std::optional<Path>& region() const { return region_; }
    void setRegion(std::optional<Path> region);

    // The size the control wants for its content (auto-size, flows).
    virtual Size preferredSize() const;

    // ---- layout -------------------------------------------------------
    void suspendLayout() { ++layoutSuspended_; }
    void resumeLayout();
    // Places the children now (unless suspended; then once resumed).
    void performLayout();
    // The furthest extent of the children, for scrolling containers.
    Size scrollExtent() const { return scrollExtent_; }
    // What the layout engine needs to know about this control.
    LayoutItem layoutItem() const;

    // ---- user input (both backends and the headless helpers) ------------
    // Returns false when the key went unhandled, so the window may act on it.
    bool userKeyDown(KeyEvent& e);
    // What the control itself does with a key no handler took (a grid moves
    // its current row); false when it does nothing with it.
    virtual bool userKeyDefault(const KeyEvent& e);
    void focus();
    void invalidate();
    // Repaint request from the backend: runs onPaint on the given canvas.
    void paint(Canvas& canvas);

    // ---- events ---------------------------------------------------------
    Handler<ClickEvent> onClick;
    Handler<TextChangedEvent> onTextChanged;
    Handler<KeyEvent> onKeyDown;
    Handler<ResizeEvent> onResize;
    Handler<PaintEvent> onPaint;
    Handler<DisposedEvent> onDisposed;

    // Timers that live and die with the control (a section's polling timer).
    Timer* addTimer(int intervalMs);

protected:
    Control() = default;

    // Runs a handler through the application so that errors reach its hook.
    template <class E> void raise(const Handler<E>& h, E& e) {
        e.sender = this;
        if (h) {
            dispatchHandler([&] { h(e); });
        }
    }
    void dispatchHandler(const std::function<void()>& fn);

    void notify(Change what);
    // Re-measures an auto-sized control after its text or font changed.
    void refreshAutoSize();
    void requestParentLayout();
    virtual void layoutChildren();
    // Layout was suspended and is running again (a grid refilled meanwhile).
    virtual void layoutResumed() {}
    bool layoutSuspended() const { return layoutSuspended_ > 0; }
    void setScrollExtent(Size s);
    bool inLayoutOfParent() const;
    // A control that must not get a peer yet (a form not shown) returns false.
    virtual bool wantsPeer() const { return true; }
    void realizeTree();

    friend class Form;

private:
    void fireDisposed();
    void releasePeers();
    void setApplication(Application* app);

    Control* parent_ = nullptr;
    Application* app_ = nullptr;
    std::unique_ptr<ControlPeer> peer_;
    std::vector<std::unique_ptr<Control>> children_;
    std::vector<std::unique_ptr<Timer>> timers_;

    std::string text_;
    std::optional<Font> font_;
    std::optional<Color> foreColor_;
    std::optional<Color> backColor_;
    std::optional<bool> rightToLeft_;
    bool enabled_ = true;
    bool visible_ = true;
    Rect bounds_;
    // The size given by setBounds or setSize, which layouts start from.
    Size specified_;
    Dock dock_ = Dock::None;
    Spacing margin_ = Spacing::all(3);
    Spacing padding_;
    bool autoSize_ = false;
    Size minimumSize_;
    Cell cell_;
    std::string tooltip_;
    std::string accessibleName_;
    std::optional<Path> region_;
    Size scrollExtent_;
    int layoutSuspended_ = 0;
    bool layoutPending_ = false;
    bool inLayout_ = false;
    bool disposing_ = false;
};

// Holds a control's layout while its children are rebuilt and resumes it when
// it goes out of scope, so that a rebuild that fails half-way does not leave
// the control unable to lay out again.
class SuspendedLayout {
public:
    explicit SuspendedLayout(Control& control) : control_(control) { control_.suspendLayout(); }
    ~SuspendedLayout() { control_.resumeLayout(); }
    SuspendedLayout(const SuspendedLayout&) = delete;
    SuspendedLayout& operator=(const SuspendedLayout&) = delete;

private:
    Control& control_;
};

} // namespace vexo::toolkit
