// The clean-up report's file form and its summary text: what the user reads
// at the end of every run and what survives a restart.

#include "records/cleanup_report.h"

#include <gtest/gtest.h>

namespace vexo::records {
namespace {

constexpr std::int64_t kGb = 1073741824;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 2;
    }
}

DriveReading Drive(std::string root, std::int64_t total, std::int64_t free,
                   std::int64_t available) {
    return {std::move(root), total, free, available, total - free};
}

CleanupReport SampleReport() {
    CleanupReport report;
    report.at = "2024-05-01T14:03:09";
    report.kind = std::string(kKindFiles);
    report.logicalRemoved = 3 * kGb / 2;
    report.attempted = 5;
    report.success = 4;
    report.failed = 1;
    report.stopped = true;
    report.before = {Drive("C:\\", 100 * kGb, 10 * kGb, 9 * kGb)};
    report.after = {Drive("C:\\", 100 * kGb, 11 * kGb, 10 * kGb),
                    Drive("D:\\", 50 * kGb, 25 * kGb, 25 * kGb)};
    return report;
}

TEST(ReportFile, IsBomUtf8JsonWithTheNinePropertiesInOrderAndCrLf) {
    const std::string bytes = SerializeReport(SampleReport());
    ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    // Arabic as it is, not as \u escapes.
    EXPECT_NE(bytes.find("\"Kind\": \"ملفات\""), std::string::npos);
    EXPECT_EQ(bytes.find("\\u"), std::string::npos);
    // The root's backslash escaped as JSON requires.
    EXPECT_NE(bytes.find("\"Root\": \"C:\\\\\""), std::string::npos);

    std::size_t last = 0;
    for (const char* key :
         {"\"At\"", "\"Kind\"", "\"LogicalRemoved\"", "\"Attempted\"", "\"Success\"", "\"Failed\"",
          "\"Stopped\"", "\"Before\"", "\"After\""}) {
        const std::size_t at = bytes.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key << " out of order";
        last = at;
    }
    const std::size_t root = bytes.find("\"Root\"");
    EXPECT_LT(root, bytes.find("\"Total\"", root));
    EXPECT_LT(bytes.find("\"Total\"", root), bytes.find("\"Free\"", root));
    EXPECT_LT(bytes.find("\"Free\"", root), bytes.find("\"Available\"", root));
    EXPECT_LT(bytes.find("\"Available\"", root), bytes.find("\"Used\"", root));

    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST(ReportFile, ReadingListsAreArraysWhateverTheirLength) {
    CleanupReport report = SampleReport();
    report.before = {};
    report.after = {Drive("C:\\", 1, 1, 1)};
    const std::string bytes = SerializeReport(report);
    EXPECT_NE(bytes.find("\"Before\": []"), std::string::npos);
    EXPECT_NE(bytes.find("\"After\": [\r\n"), std::string::npos);
}

TEST(ReportFile, RoundTripsIncludingHostileText) {
    CleanupReport report = SampleReport();
    report.kind = std::string(kKindIndexResults);
    report.at = "=\"quoted\" \\ \r\n تجربة";
    report.before.push_back(
        DriveReading{std::string(300, 'x') + "\\", INT64_MAX, -1, INT64_MIN, 0});
    std::optional<CleanupReport> back = ParseReport(SerializeReport(report));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, report);
}

TEST(ReportFile, AcceptsAnyValidJsonWithTheProperties) {
    const std::string compact =
        R"({"After":[],"Before":[{"Used":1,"Available":2,"Free":3,"Total":4,"Root":"E:\\"}],)"
        R"("Stopped":false,"Failed":0,"Success":2,"Attempted":2,"LogicalRemoved":7,)"
        R"("Kind":"برامج","At":"2024-01-02T03:04:05","Extra":null})";
    std::optional<CleanupReport> report = ParseReport(compact);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->kind, kKindPrograms);
    EXPECT_EQ(report->at, "2024-01-02T03:04:05");
    ASSERT_EQ(report->before.size(), 1u);
    EXPECT_EQ(report->before[0], (DriveReading{"E:\\", 4, 3, 2, 1}));
}

TEST(ReportFile, AnythingElseIsNoReport) {
    const std::string good = SerializeReport(SampleReport());
    const std::string cases[] = {
        "",
        "\xEF\xBB\xBF",
        good.substr(0, good.size() / 2),
        "[]",
        "null",
        "{}",
        R"({"At":"x","Kind":"y","LogicalRemoved":1,"Attempted":1,"Success":1,"Failed":0,)"
        R"("Stopped":false,"Before":{},"After":[]})",
        R"({"At":"x","Kind":"y","LogicalRemoved":1.5,"Attempted":1,"Success":1,"Failed":0,)"
        R"("Stopped":false,"Before":[],"After":[]})",
        R"({"At":"x","Kind":"y","LogicalRemoved":1,"Attempted":4294967296,"Success":1,)"
        R"("Failed":0,"Stopped":false,"Before":[],"After":[]})",
        R"({"At":"x","Kind":"y","LogicalRemoved":1,"Attempted":1,"Success":1,"Failed":0,)"
        R"("Stopped":"no","Before":[],"After":[]})",
        R"({"At":"x","Kind":"y","LogicalRemoved":1,"Attempted":1,"Success":1,"Failed":0,)"
        R"("Stopped":false,"Before":[{"Root":"C:\\","Total":1}],"After":[]})",
        R"({"At":"x","Kind":"y","LogicalRemoved":18446744073709551615,"Attempted":1,)"
        R"("Success":1,"Failed":0,"Stopped":false,"Before":[],"After":[]})",
        std::string(100000, '['),
        "\xFF\xFE{\0}",
    };
    for (const std::string& bytes : cases) {
        EXPECT_FALSE(ParseReport(bytes).has_value()) << bytes.substr(0, 80);
    }
}

// ---------------------------------------------------------------------------

TEST(ReportSummary, FilesRunReadsAsSixLines) {
    const std::string text = ReportSummary18(SampleReport(), base::Culture::EnUs());
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "ملخص ملفات عند 2024-05-01T14:03:09");
    EXPECT_EQ(lines[1], "اكتملت المعالجة: 4 | لم تكتمل: 1");
    EXPECT_EQ(lines[2], "حجم الملفات المنقولة/المزالة: 1.50 GB");
    // Only C: was read before: D:, inserted during the run, counts in the
    // totals but not in the change.
    EXPECT_EQ(lines[3], "تغير المساحة المتاحة: +1.00 GB");
    EXPECT_EQ(lines[4], "المستخدم الباقي: 114.00 GB | المتاح لك: 35.00 GB");
    EXPECT_EQ(lines[5],
              "نقل الملفات للسلة وحده لا يحرر المساحة. القياس قد يتأثر بكتابة البرامج الأخرى.");
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
}

TEST(ReportSummary, ChangeLineSignRule) {
    struct Case {
        const char* name;
        std::int64_t before;
        std::int64_t after;
        const char* line;
    };
    const Case cases[] = {
        {"gain", 2 * kGb, 2 * kGb + 3 * kGb / 2, "تغير المساحة المتاحة: +1.50 GB"},
        {"loss", 2 * kGb, kGb, "تغير المساحة المتاحة: -1.00 GB"},
        {"a few bytes more", kGb, kGb + 100, "تغير المساحة المتاحة: 0.00 GB"},
        {"a few bytes less", kGb, kGb - 100, "تغير المساحة المتاحة: 0.00 GB"},
    };
    for (const Case& c : cases) {
        CleanupReport report = SampleReport();
        report.before = {Drive("c:\\", 10 * kGb, c.before, c.before)};
        report.after = {Drive("C:\\", 10 * kGb, c.after, c.after)};
        EXPECT_EQ(Lines(ReportSummary18(report, base::Culture::EnUs()))[3], c.line) << c.name;
    }
}

TEST(ReportSummary, ProgramsRunShowsNoRemovedAmount) {
    CleanupReport report = SampleReport();
    report.kind = std::string(kKindPrograms);
    report.logicalRemoved = 0;
    EXPECT_EQ(Lines(ReportSummary18(report, base::Culture::EnUs()))[2],
              "حجم ملفات البرامج المحذوفة غير مقاس؛ المساحة تقاس من القرص.");
}

TEST(ReportSummary, NoDrivesReadsAsZero) {
    CleanupReport report = SampleReport();
    report.before = {};
    report.after = {};
    const std::vector<std::string> lines = Lines(ReportSummary18(report, base::Culture::EnUs()));
    EXPECT_EQ(lines[3], "تغير المساحة المتاحة: 0.00 GB");
    EXPECT_EQ(lines[4], "المستخدم الباقي: 0.00 GB | المتاح لك: 0.00 GB");
}

TEST(ReportSummary, NumbersFollowTheUserCulture) {
    base::Culture culture = base::Culture::EnUs();
    culture.decimalSeparator.assign(1, ',');
    culture.groupSeparator.assign(1, '.');
    CleanupReport report = SampleReport();
    report.logicalRemoved = 1234 * kGb + kGb / 2;
    const std::vector<std::string> lines = Lines(ReportSummary18(report, culture));
    EXPECT_EQ(lines[2], "حجم الملفات المنقولة/المزالة: 1.234,50 GB");
    EXPECT_EQ(lines[3], "تغير المساحة المتاحة: +1,00 GB");
}

} // namespace
} // namespace vexo::records
