#include "base/csv.h"

#include <gtest/gtest.h>

namespace vexo::base {
namespace {

TEST(Csv, QuotedFields) {
    const struct {
        std::string value;
        std::string expected;
    } cases[] = {
        {"", "\"\""},
        {"report.pdf", "\"report.pdf\""},
        {"C:\\Users\\ali\\a,b.txt", "\"C:\\Users\\ali\\a,b.txt\""},
        {"=SUM(A1)", "\"'=SUM(A1)\""}, // a formula is defused ...
        {"+1.txt", "\"'+1.txt\""},
        {"-x.txt", "\"'-x.txt\""},
        {"@x.txt", "\"'@x.txt\""},
        {"\tx", "\"'\tx\""},
        {"\rx", "\"'\rx\""},
        {"a=b.txt", "\"a=b.txt\""}, // ... only by its first character
        {"'x", "\"'x\""},
        {"say \"hi\".txt", "\"say \"\"hi\"\".txt\""},
        {"=\"x\"", "\"'=\"\"x\"\"\""},
        {"صورة.jpg", "\"صورة.jpg\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvField(c.value), c.expected) << c.value;
    }
}

} // namespace
} // namespace vexo::base
