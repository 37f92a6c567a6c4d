#include "base/text_file.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace vexo::base {
namespace {

// Files in memory; a write, a flush or a move can be made to fail. A failing
// write leaves half the bytes behind, as a full disk does.
class FakeFileWriter : public FileWriter {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> failWrite;
    std::set<std::string> failFlush;
    bool failMove = false;

    Status WriteAllBytes(const std::string& path, std::string_view bytes) override {
        files[path].clear();
        return AppendBytes(path, bytes);
    }
    Status AppendBytes(const std::string& path, std::string_view bytes) override {
        if (failWrite.contains(path)) {
            files[path] += std::string(bytes.substr(0, bytes.size() / 2));
            return Error{ErrorKind::Io, "There is not enough space on the disk."};
        }
        files[path] += std::string(bytes);
        return {};
    }
    Status FlushToDisk(const std::string& path) override {
        if (failFlush.contains(path) || !files.contains(path)) {
            return Error{ErrorKind::Io,
                         "The request could not be performed because of an I/O device error."};
        }
        return {};
    }
    Status MoveReplace(const std::string& from, const std::string& to) override {
        if (failMove || !files.contains(from)) {
            return Error{ErrorKind::AccessDenied, "Access is denied."};
        }
        files[to] = files[from];
        files.erase(from);
        return {};
    }
    Status RemoveFile(const std::string& path) override {
        files.erase(path);
        return {};
    }
};

const std::string kTarget = "C:\\Users\\ali\\AppData\\Local\\VexoTolvik\\LastCleanup.json";
const std::string kStaged = kTarget + ".tmp";

TEST(TextFile, LinesEndInCrLfAndStartWithABom) {
    EXPECT_EQ(JoinCrLf({}), "");
    EXPECT_EQ(JoinCrLf({"REMOVED C:\\a.txt", "NOT REMOVED C:\\b.txt : x"}),
              "REMOVED C:\\a.txt\r\nNOT REMOVED C:\\b.txt : x\r\n");
    EXPECT_EQ(WithBom("ملف\r\n"), "\xEF\xBB\xBFملف\r\n");
    EXPECT_EQ(StripBom(WithBom("{}")), "{}");
    EXPECT_EQ(StripBom("{}"), "{}");
    EXPECT_EQ(StripBom("\xEF\xBB"), "\xEF\xBB");
}

TEST(TextFile, StagedWriteReplacesTheTarget) {
    FakeFileWriter fs;
    fs.files[kTarget] = "old";
    fs.files[kStaged] = "stale from a failed save";
    ASSERT_TRUE(WriteStaged(fs, kTarget, "new", ".tmp").ok());
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, "new"}}));

    FakeFileWriter empty;
    ASSERT_TRUE(WriteStaged(empty, kTarget, "first", ".vexo-tmp").ok());
    EXPECT_EQ(empty.files, (std::map<std::string, std::string>{{kTarget, "first"}}));
}

TEST(TextFile, FailedStagedWriteLeavesTargetAndNoStagingFile) {
    // A flush that fails before the move is what keeps a power cut from
    // publishing a target whose bytes never reached the disk.
    const struct {
        const char* what;
        bool failWrite, failFlush, failMove;
        ErrorKind kind;
    } cases[] = {
        {"write", true, false, false, ErrorKind::Io},
        {"flush", false, true, false, ErrorKind::Io},
        {"move", false, false, true, ErrorKind::AccessDenied},
    };
    for (const auto& c : cases) {
        FakeFileWriter fs;
        fs.files[kTarget] = "old";
        if (c.failWrite) {
            fs.failWrite.insert(kStaged);
        }
        if (c.failFlush) {
            fs.failFlush.insert(kStaged);
        }
        fs.failMove = c.failMove;
        const Status status = WriteStaged(fs, kTarget, "new report", ".tmp");
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().kind, c.kind) << c.what;
        EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, "old"}})) << c.what;
    }
}

TEST(TextFile, AStagedFileInPiecesIsPlacedWholeOrNotAtAll) {
    FakeFileWriter fs;
    fs.files[kTarget] = "old";
    fs.files[kStaged] = "stale";
    {
        StagedFile staged(fs, kTarget, ".tmp");
        ASSERT_TRUE(staged.Append("a,").ok());
        ASSERT_TRUE(staged.Append("b").ok());
        EXPECT_EQ(fs.files.at(kTarget), "old") << "untouched before the commit";
        ASSERT_TRUE(staged.Commit().ok());
    }
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, "a,b"}}));

    // Abandoned half-way (the export met an error of its own): nothing stays.
    {
        StagedFile staged(fs, kTarget, ".tmp");
        ASSERT_TRUE(staged.Append("half").ok());
    }
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, "a,b"}}));

    // After a failed piece nothing more is written and the commit fails too.
    {
        StagedFile staged(fs, kTarget, ".tmp");
        ASSERT_TRUE(staged.Append("first").ok());
        fs.failWrite.insert(kStaged);
        EXPECT_FALSE(staged.Append("second piece").ok());
        fs.failWrite.clear();
        EXPECT_FALSE(staged.Append("third").ok());
        EXPECT_FALSE(staged.Commit().ok());
    }
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, "a,b"}}));

    // Nothing appended: the commit places an empty file.
    {
        StagedFile staged(fs, kTarget, ".tmp");
        ASSERT_TRUE(staged.Commit().ok());
    }
    EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kTarget, ""}}));
}

TEST(TextFile, AFailedReplacingWriteLeavesNoHalfFile) {
    FakeFileWriter fs;
    fs.failWrite.insert(kTarget);
    const Status status = WriteReplacing(fs, kTarget, "REMOVED C:\\a.txt\r\n");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, "There is not enough space on the disk.");
    EXPECT_TRUE(fs.files.empty());
}

TEST(TextFile, StagedWriteRefusesAnEmptySuffix) {
    FakeFileWriter fs;
    fs.files[kTarget] = "old";
    const Status status = WriteStaged(fs, kTarget, "new", "");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().kind, ErrorKind::InvalidInput);
    EXPECT_EQ(fs.files.at(kTarget), "old");
}

} // namespace
} // namespace vexo::base
