#pragma once
// Errors as values. Every platform call that can fail returns a Status or a
// Result<T> carrying the kind of failure and the platform's own message text,
// so a section can tell the user the system's words and decide by kind (a
// missing folder skips an entry, a lost device ends a crawl) without parsing.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vexo::base {

enum class ErrorKind {
    NotFound,
    AccessDenied,
    SharingViolation,
    Io,
    PathTooLong,
    DeviceNotReady,
    Cancelled,
    InvalidInput,
    Other,
};

struct Error {
    ErrorKind kind = ErrorKind::Other;
    std::string message; // the platform's own text, UTF-8
};

// Success, or an Error.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)) {}

    static Status Ok() { return {}; }

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

// A value, or an Error.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(state_); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, Error> state_;
};

} // namespace vexo::base
