#pragma once
// One owner for every kind of system handle: kernel objects, find handles,
// internet handles, registry keys and GDI objects. What differs between them
// (the empty value, which values are live, how to close one) lives in a small
// traits struct, so the owning class is written once:
//
//   UniqueHandle<GdiObjectTraits<HBRUSH>> brush(CreateSolidBrush(color));
//   FillRect(dc, &area, brush.get()); // deleted when `brush` goes
//
// A traits struct names `Handle`, `empty()`, `live(h)` and `close(h)`.

#include "platform/win32/windows_api.h"

#include <winhttp.h>

namespace vexo::platform::win32 {

template <class Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const noexcept { return handle_; }
    bool valid() const noexcept { return Traits::live(handle_); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives the handle up without closing it (to a call that takes it over).
    Handle release() noexcept {
        Handle handle = handle_;
        handle_ = Traits::empty();
        return handle;
    }
    // Closes what is held and holds `handle` instead.
    void reset(Handle handle = Traits::empty()) noexcept {
        if (Traits::live(handle_)) {
            Traits::close(handle_);
        }
        handle_ = handle;
    }
    // Where a call that opens a handle writes it; what was held is closed first.
    Handle* out() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::empty();
};

// ---- traits ------------------------------------------------------------------

// CreateFileW, CreateProcessW and the like: null or INVALID_HANDLE_VALUE when
// nothing was opened.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};

// FindFirstFileExW: INVALID_HANDLE_VALUE when nothing was found.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool live(Handle h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(Handle h) noexcept { ::FindClose(h); }
};

// WinHTTP's sessions, connections and requests.
struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ::WinHttpCloseHandle(h); }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ::RegCloseKey(h); }
};

// Fonts, brushes, pens, bitmaps and regions: DeleteObject.
template <class H> struct GdiObjectTraits {
    using Handle = H;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};

// A device context made by CreateCompatibleDC (not one lent by GetDC).
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ::DeleteDC(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

} // namespace vexo::platform::win32
