// The one owner of system handles: each handle it holds is closed exactly
// once, whether it goes out of scope, is replaced, moved or written over by an
// opening call, and never when it was given up or never opened.

#include "platform/win32/unique_handle.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace vexo::platform::win32 {
namespace {

// Handles are small numbers; -1 means nothing was opened, as
// INVALID_HANDLE_VALUE does for a find.
std::vector<int> closed;

struct CountingTraits {
    using Handle = int;
    static Handle empty() noexcept { return -1; }
    static bool live(Handle h) noexcept { return h >= 0; }
    static void close(Handle h) noexcept { closed.push_back(h); }
};
using Counted = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, ClosesEachHandleItHoldsExactlyOnce) {
    struct Case {
        const char* what;
        void (*use)();
        std::vector<int> closes;
    };
    const Case cases[] = {
        {"out of scope", [] { Counted h(1); }, {1}},
        {"never opened", [] { Counted h(CountingTraits::empty()); }, {}},
        {"empty", [] { Counted h; }, {}},
        {"replaced",
         [] {
             Counted h(1);
             h.reset(2);
         },
         {1, 2}},
        {"given up",
         [] {
             Counted h(1);
             EXPECT_EQ(h.release(), 1);
         },
         {}},
        {"moved into another",
         [] {
             Counted from(1);
             Counted to(std::move(from));
             EXPECT_FALSE(from.valid());
             EXPECT_EQ(to.get(), 1);
         },
         {1}},
        {"moved over a held one",
         [] {
             Counted from(1);
             Counted to(2);
             to = std::move(from);
         },
         {2, 1}},
        {"written over by an opening call",
         [] {
             Counted h(1);
             *h.out() = 2;
             EXPECT_EQ(h.get(), 2);
         },
         {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        closed.clear();
        c.use();
        EXPECT_EQ(closed, c.closes);
    }
}

TEST(UniqueHandle, AFindThatFoundNothingIsNotClosed) {
    EXPECT_FALSE(UniqueFindHandle(INVALID_HANDLE_VALUE).valid());
    EXPECT_FALSE(UniqueKernelHandle(INVALID_HANDLE_VALUE).valid());
    EXPECT_FALSE(UniqueKernelHandle(nullptr).valid());
    EXPECT_FALSE(UniqueRegistryKey().valid());
}

} // namespace
} // namespace vexo::platform::win32
