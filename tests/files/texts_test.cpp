// The section's two composed texts, on both sides: the numbers follow the
// culture given, never the machine's.
#include "files/my_files.h"

#include <gtest/gtest.h>

namespace vexo::testing {
namespace {

struct SummaryCase {
    const char* name;
    files::SummaryFigures figures;
    const char* expected;
};

class SummaryTextTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryTextTest, ReadsWordForWord) {
    EXPECT_EQ(files::SummaryText(GetParam().figures, base::Culture::EnUs()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SummaryTextTest,
    ::testing::Values(
        SummaryCase{"ready_manual",
                    {false, false, false, false, 1234, 250, 2, 1610612736, false, 1500},
                    "جاهز للمراجعة | نتائج: 1,234 | صفحة 2 | المحدد: 2 ملف (1.50 GB)\r\n"
                    "التحديد اليدوي لهذه الصفحة فقط. ملفات مفحوصة: 1500 | الملفات بالسلة تبقى "
                    "تشغل مساحة حتى إفراغها."},
        SummaryCase{"crawling_stopped",
                    {false, true, false, true, 0, 0, 0, 0, false, 7},
                    "البحث مستمر | نتائج: 0 | صفحة 1 | المحدد: 0 ملف (0.00 GB) | نتائج جزئية "
                    "بعد الإيقاف\r\nالتحديد اليدوي لهذه الصفحة فقط. ملفات مفحوصة: 7 | الملفات "
                    "بالسلة تبقى تشغل مساحة حتى إفراغها."},
        // The limit outweighs a stop, and deleting outweighs crawling.
        SummaryCase{"deleting_limit_bulk",
                    {true, true, true, true, 1000000, 500, 1000000, 0, true, 1000000},
                    "جارٍ نقل الملفات | نتائج: 1,000,000 | صفحة 3 | المحدد: 1000000 ملف (0.00 "
                    "GB) | وصل حد مليون ملف؛ النتائج جزئية\r\nمحدد: كل نتائج البحث الحالية ضمن "
                    "ملفاتك الشخصية. ملفات مفحوصة: 1000000 | الملفات بالسلة تبقى تشغل مساحة حتى "
                    "إفراغها."}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ConfirmationTextTest, ListsTwelveNamesThenSaysThereAreMore) {
    std::vector<index::VexoFile13> files;
    for (int i = 1; i <= 13; ++i) {
        index::VexoFile13 f;
        f.Name = "n";
        f.Name += std::to_string(i);
        f.Bytes = 1073741824 / 4;
        files.push_back(f);
    }
    const std::string tail =
        "يشمل نتائج البحث المختارة فقط. تنتقل للسلة؛ إذا طلب ويندوز حذفاً نهائياً، ألغِه إذا ما "
        "تريده.";
    std::string thirteen =
        "نقل 13 ملف (3.25 GB) إلى السلة؟\r\nn1\r\nn2\r\nn3\r\nn4\r\nn5\r\nn6\r\nn7\r\nn8\r\n"
        "n9\r\nn10\r\nn11\r\nn12\r\nوأسماء إضافية بالقائمة المختارة.\r\n";
    thirteen += tail;
    EXPECT_EQ(files::ConfirmationText(files, base::Culture::EnUs()), thirteen);
    files.resize(12);
    std::string twelve =
        "نقل 12 ملف (3.00 GB) إلى السلة؟\r\nn1\r\nn2\r\nn3\r\nn4\r\nn5\r\nn6\r\nn7\r\nn8\r\n"
        "n9\r\nn10\r\nn11\r\nn12\r\n";
    twelve += tail;
    EXPECT_EQ(files::ConfirmationText(files, base::Culture::EnUs()), twelve);
}

} // namespace
} // namespace vexo::testing
