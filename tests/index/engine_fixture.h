#pragma once
// An engine over fake file service and clock, crawled to the end before the test looks.

#include "fakes.h"
#include "index/engine.h"

#include <gtest/gtest.h>

namespace vexo::index::testing {

class EngineTest : public ::testing::Test {
protected:
    // Crawls `roots` to the end; work queued afterwards waits for Run/RunAll
    // unless `pool` is set.
    std::shared_ptr<VexoEngine13> Crawl(std::vector<std::string> roots, bool pool = false) {
        VexoEngine13::Dependencies dependencies;
        dependencies.files = Borrow(files);
        dependencies.clock = Borrow(clock);
        dependencies.culture = culture;
        if (!pool) {
            dependencies.executor = executor;
        }
        auto engine = VexoEngine13::Create(std::move(dependencies));
        engine->Start(std::move(roots));
        engine->WaitForIdle();
        return engine;
    }

    // Requests a page and runs the work at once.
    PageRef Query(VexoEngine13& engine, const Filter& filter, SortOrder order = kLargestFirst,
                  std::int32_t offset = 0, std::int32_t limit = 250) {
        const std::int32_t token = engine.Request(filter, order, offset, limit);
        executor->RunAll();
        PageRef page = engine.Page();
        EXPECT_TRUE(page);
        if (page) {
            EXPECT_EQ(page->Token, token);
        }
        return page;
    }

    static std::vector<std::string> Names(const PageRef& page) {
        std::vector<std::string> names;
        for (const VexoFile13& row : page->Rows) {
            names.push_back(row.Name);
        }
        return names;
    }
    static std::vector<std::string> Paths(const PageRef& page) {
        std::vector<std::string> paths;
        for (const VexoFile13& row : page->Rows) {
            paths.push_back(row.Path);
        }
        return paths;
    }

    FakeFiles files;
    FakeClock clock;
    base::Culture culture = base::Culture::Invariant();
    std::shared_ptr<ManualExecutor> executor = std::make_shared<ManualExecutor>();
};

} // namespace vexo::index::testing
