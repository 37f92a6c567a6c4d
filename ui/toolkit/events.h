#pragma once
// Events of the widget set. Every control exposes them as `onXxx` members
// holding a std::function taking a `XxxEvent&`. A handler that consumes an
// event sets `didHandle`; a close handler that refuses sets `cancel`.
// Handlers run on the UI thread through Application::dispatch, so an error
// escaping one reaches the application's error hook instead of the window
// procedure or the test.

#include "toolkit/geometry.h"

#include <functional>

namespace vexo::toolkit {

class Canvas;
class Control;

struct Event {
    Control* sender = nullptr;
    bool didHandle = false;
};

struct ClickEvent : Event {};
struct TextChangedEvent : Event {};
struct SelectionChangedEvent : Event {};
// A timer's interval has passed.
struct TimerEvent : Event {};
// A tick box (a check box, or a grid's tick cell) was ticked or cleared.
struct TickChangedEvent : Event {};
struct DisposedEvent : Event {};

struct ResizeEvent : Event {
    Size size;
};

// Virtual key codes as Windows numbers them, so both backends agree.
enum class Key : int {
    Back = 0x08,
    Tab = 0x09,
    Enter = 0x0D,
    Escape = 0x1B,
    Space = 0x20,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Delete = 0x2E,
    A = 0x41,
    C = 0x43,
    F = 0x46,
    F5 = 0x74,
};

struct KeyEvent : Event {
    Key key = Key::Enter;
    bool control = false;
    bool shift = false;
    bool alt = false;
};

struct PaintEvent : Event {
    Canvas* canvas = nullptr;
    Rect clientArea;
};

struct CloseEvent : Event {
    bool cancel = false;
};

template <class E> using Handler = std::function<void(E&)>;

} // namespace vexo::toolkit
