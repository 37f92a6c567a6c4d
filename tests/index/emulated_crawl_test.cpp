// The engine over the emulated machine's real host folders: what the crawl
// decides by (links, files kept elsewhere, folders it may not read) comes
// from the adapter, not from a fake listing.

#include "fakes.h"
#include "index/engine.h"
#include "platform/emulated/emulated_machine.h"
#include "support/temp_folder.h"
#include "support/write_faults.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace vexo::index::testing {
namespace {

namespace fs = std::filesystem;

class EmulatedCrawlTest : public ::testing::Test {
protected:
    EmulatedCrawlTest() { machine.MapDrive('C', host.path()); }

    void Write(const fs::path& relative, std::size_t bytes) {
        fs::create_directories((host.path() / relative).parent_path());
        std::ofstream(host.path() / relative) << std::string(bytes, 'x');
    }

    std::shared_ptr<VexoEngine13> Crawl(std::vector<std::string> roots) {
        VexoEngine13::Dependencies dependencies;
        dependencies.files = Borrow(machine.files());
        dependencies.clock = Borrow(machine.clock());
        dependencies.executor = executor;
        auto engine = VexoEngine13::Create(std::move(dependencies));
        engine->Start(std::move(roots));
        engine->WaitForIdle();
        return engine;
    }

    std::vector<std::string> Paths(VexoEngine13& engine) {
        engine.Request(Filter{}, kByPath, 0, 250);
        executor->RunAll();
        std::vector<std::string> paths;
        for (const VexoFile13& row : engine.Page()->Rows) {
            paths.push_back(row.Path);
        }
        return paths;
    }

    vexo::testing::TempFolder host;
    platform::emulated::EmulatedMachine machine;
    std::shared_ptr<ManualExecutor> executor = std::make_shared<ManualExecutor>();
};

TEST_F(EmulatedCrawlTest, LinksOfflineFilesAndUnreadableFoldersArePassedOver) {
    Write("Docs/a.txt", 3);
    Write("Docs/Sub/b.bin", 5);
    Write("cloud.docx", 7);
    Write("Locked/secret.txt", 11);
    // A link back to the drive's root would crawl forever if followed.
    fs::create_directory_symlink(host.path(), host.path() / "loop");
    fs::create_symlink(host.path() / "Docs" / "a.txt", host.path() / "a-link.txt");
    machine.MarkOffline("C:\\cloud.docx").MarkUnreadable("C:\\Locked");

    auto engine = Crawl({"C:\\"});
    EXPECT_TRUE(engine->Done());
    EXPECT_EQ(engine->Error(), "");
    EXPECT_EQ(Paths(*engine),
              (std::vector<std::string>{"C:\\Docs\\a.txt", "C:\\Docs\\Sub\\b.bin"}));
    EXPECT_EQ(engine->Bytes(), 3 + 5);
    EXPECT_EQ(engine->Skipped(), 4); // loop, a-link.txt, cloud.docx, Locked
}

TEST_F(EmulatedCrawlTest, ARootFindsItsFolderIgnoringCaseAndKeepsItsSpelling) {
    Write("Docs/Sub/b.bin", 5);
    auto engine = Crawl({"c:\\DOCS\\sub"});
    EXPECT_EQ(Paths(*engine), (std::vector<std::string>{"c:\\DOCS\\sub\\b.bin"}));
    EXPECT_EQ(engine->Skipped(), 0);
}

TEST_F(EmulatedCrawlTest, AFailedExportLeavesTheOldFileAndNoStagedFile) {
    Write("Docs/a.txt", 3);
    Write("Out/all.csv", 7); // an earlier export the user agreed to replace
    const std::string destination = "C:\\Out\\all.csv";
    const std::string staged = destination + ".vexo-tmp";
    auto engine = Crawl({"C:\\Docs"});
    for (const vexo::testing::WriteFaultCase& c : vexo::testing::kWriteFaults) {
        machine.ClearFaults();
        vexo::testing::InjectWriteFault(machine, c, staged, destination);
        ASSERT_TRUE(engine->Export(destination, Filter{}, kByPath)) << c.name;
        executor->RunAll();
        const std::string message = engine->TakeExportMessage();
        EXPECT_EQ(message.rfind("OK: ", 0), std::string::npos) << c.name;
        EXPECT_NE(message.find(": " + vexo::testing::WriteFaultText(c) + " (index export to " +
                               destination + ")"),
                  std::string::npos)
            << c.name << ": " << message;
        std::ifstream old(host.path() / "Out/all.csv", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), std::string(7, 'x'))
            << c.name;
        EXPECT_FALSE(fs::exists(host.path() / "Out/all.csv.vexo-tmp")) << c.name;
    }
    machine.ClearFaults();
    ASSERT_TRUE(engine->Export(destination, Filter{}, kByPath));
    executor->RunAll();
    EXPECT_EQ(engine->TakeExportMessage(), "OK: " + destination);
    EXPECT_FALSE(fs::exists(host.path() / "Out/all.csv.vexo-tmp"));
}

} // namespace
} // namespace vexo::index::testing
