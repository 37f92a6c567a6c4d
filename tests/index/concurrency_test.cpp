// The engine's threads together: queries, statistics and removals while the
// crawl appends, on the real pool. Run under ThreadSanitizer as well.

#include "engine_fixture.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace vexo::index::testing {
namespace {

class ConcurrencyTest : public EngineTest {};

TEST_F(ConcurrencyTest, QueriesDuringTheCrawlSeeAConsistentPrefix) {
    // Every file is 3 bytes, so a consistent answer has Bytes == 3 * Total.
    for (int i = 0; i < 8; ++i) {
        files.AddGeneratedFolder(Cat({"C:\\r", std::to_string(i)}), 40'000, 3);
    }
    VexoEngine13::Dependencies dependencies{Borrow(files), Borrow(clock), culture, nullptr};
    auto engine = VexoEngine13::Create(dependencies);
    std::vector<std::string> roots;
    for (int i = 0; i < 8; ++i) {
        roots.push_back(Cat({"C:\\r", std::to_string(i)}));
    }
    engine->Start(roots);
    std::int32_t lastToken = 0;
    int removed = 0;
    int rounds = 0;
    while (!engine->Done()) {
        // One request at a time, so each one is published.
        lastToken = engine->Request(Filter{"f1", 0, 0, "", Category::All, 0}, kLargestFirst, 0, 20);
        if (++rounds % 8 == 0) {
            engine->Statistics();
        }
        engine->RemovePath(Cat({"C:\\r0\\f", std::to_string(removed++)}), 3);
        PageRef page;
        while (!(page = engine->Page()) || page->Token != lastToken) {
            std::this_thread::yield();
        }
        EXPECT_EQ(page->Error, "");
        EXPECT_EQ(page->Bytes, 3 * std::int64_t{page->Total});
        EXPECT_LE(page->Rows.size(), 20u);
        EXPECT_LE(engine->Count(), 320'000);
    }
    engine->WaitForIdle();
    engine->Statistics();
    engine->Request(Filter{"f1", 0, 0, "", Category::All, 0}, kLargestFirst, 0, 20);
    engine->WaitForIdle();
    const PageRef page = engine->Page();
    ASSERT_TRUE(page);
    EXPECT_GT(page->Token, lastToken);
    // Names f0 ... f39999 holding "f1", in eight roots, less those removed.
    std::int32_t expected = 8 * 11'111;
    for (int i = 0; i < removed; ++i) {
        expected -= std::to_string(i).front() == '1' && i < 40'000 ? 1 : 0;
    }
    EXPECT_EQ(page->Total, expected);
    EXPECT_EQ(engine->Count(), 320'000 - removed);
    EXPECT_EQ(engine->Bytes(), 3 * std::int64_t{engine->Count()});
    EXPECT_NE(engine->StatsMessage(), "");
}

TEST_F(ConcurrencyTest, AnEngineLetGoWhileItWorksFinishesOnItsOwn) {
    files.AddGeneratedFolder("C:\\r", 50'000, 1);
    std::weak_ptr<VexoEngine13> watch;
    {
        VexoEngine13::Dependencies dependencies{Borrow(files), Borrow(clock), culture, nullptr};
        auto engine = VexoEngine13::Create(dependencies);
        watch = engine;
        engine->Start({"C:\\r"});
        engine->Request({}, kLargestFirst, 0, 10);
        engine->Export("C:\\x.csv", {}, kLargestFirst);
        engine->Cancel();
    }
    // The crawl and the workers hold it until they end, then free it.
    if (auto engine = watch.lock()) {
        engine->WaitForIdle();
    }
    while (!watch.expired()) {
        std::this_thread::yield();
    }
}

// A thread that has just ended must not spoil the start of the next one (as
// the fixtures start a crawl right after the last one ended).
TEST(DetachedThreadTest, EachOfManyShortThreadsStartedInTurnRuns) {
    // Two threads that keep the cores busy, so that a short thread often
    // ends before the one that started it has let go of it.
    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (int b = 0; b < 2; ++b) {
        busy.emplace_back([&stop] {
            while (!stop.load(std::memory_order_relaxed)) {
            }
        });
    }
    for (int i = 0; i < 500; ++i) {
        auto ran = std::make_shared<std::promise<void>>();
        std::future<void> done = ran->get_future();
        StartDetachedThread("Vexo test", [ran] { ran->set_value(); });
        // Bounded only so that a thread that never runs fails here instead
        // of hanging the run; one that starts takes far less.
        if (done.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
            ADD_FAILURE() << "the thread started after " << i << " others never ran";
            break;
        }
    }
    stop = true;
    for (std::thread& b : busy) {
        b.join();
    }
}

} // namespace
} // namespace vexo::index::testing
