#include "browser_fixture.h"
#include "records/cleanup_report.h"

#include <gmock/gmock.h>

namespace vexo::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using toolkit::DialogResult;

constexpr std::int64_t kMiB = 1048576;
constexpr const char* kChanged = "الملف تغيّر بعد الفهرسة؛ أعد الفحص قبل حذفه";

class BulkReviewTest : public BrowserFixture {
protected:
    std::string Doc(const std::string& name) { return std::string(kDocuments) + "\\" + name; }

    // Indexes drive C and asks for the bulk removal of the current search;
    // `review` acts in the dialog as the user (and must close it).
    void Review(std::function<void(toolkit::Form&)> review) {
        OpenBrowser();
        Index("C:\\");
        ui.expectModal([this, review](toolkit::Form& form) {
            dialog = &form;
            review(form);
        });
        tokenBeforeReview = Browser().engine()->Page()->Token;
        Click(files::kBulkDeleteText);
        ASSERT_TRUE(Browser().bulkWaiting());
        Settle();
    }

    toolkit::CheckBox& Acknowledgement() { return *All<toolkit::CheckBox>(*dialog).at(0); }
    toolkit::Button& Confirm() {
        return ui.get<toolkit::Button>(*dialog, std::string(files::kConfirmRemovalText));
    }
    toolkit::Button& CancelButton() { return *All<toolkit::Button>(*dialog).at(1); }
    toolkit::Label& DialogHeading() { return *All<toolkit::Label>(*dialog).at(0); }
    std::vector<std::string> Preview() { return All<toolkit::ListBox>(*dialog).at(0)->items(); }

    // Ticks the acknowledgement and confirms.
    void TickAndConfirm() {
        ui.click(Acknowledgement());
        ui.click(Confirm());
    }

    toolkit::Form* dialog = nullptr;
    std::int32_t tokenBeforeReview = 0;
};

TEST_F(BulkReviewTest, ShowsTheSetAndMovesNothingUntilAcknowledgedAndConfirmed) {
    Sized(Doc("big.iso"), 300 * kMiB);
    Sized(std::string(kDownloads) + "\\setup.exe", 20 * kMiB);
    Write("C:\\Outside\\keep.txt", "system file");
    Review([&](toolkit::Form& form) {
        EXPECT_EQ(form.text(), "راجع حذف كل النتائج — v23");
        EXPECT_EQ(form.size(), (toolkit::Size{820, 580}));
        EXPECT_EQ(form.minimumSize(), (toolkit::Size{680, 470}));
        EXPECT_TRUE(form.rightToLeft());
        EXPECT_EQ(DialogHeading().text(),
                  "مراجعة 2 ملف — 0.31 GB\r\nلقطة من كل صفحات البحث، داخل مجلداتك الشخصية فقط. "
                  "لا تنفيذ قبل التأكيد.");
        EXPECT_EQ(DialogHeading().font(), (toolkit::Font{"Segoe UI", 12.0f, true}));
        // The index's recording order: Documents is crawled before Downloads.
        EXPECT_THAT(Preview(), ::testing::UnorderedElementsAre(
                                   "300.0 MB | " + Doc("big.iso"),
                                   "20.0 MB | " + std::string(kDownloads) + "\\setup.exe"));
        EXPECT_EQ(Acknowledgement().text(),
                  "راجعت الاختيار وأوافق على نقل 2 ملف للسلة. المعاينة تعرض أول 200 مسار.");
        EXPECT_FALSE(Acknowledgement().checked());
        EXPECT_EQ(Confirm().backColor(), toolkit::Color::rgb(174, 49, 78));
        EXPECT_EQ(Confirm().foreColor(), toolkit::Color::rgb(255, 255, 255));

        EXPECT_FALSE(Confirm().enabled());
        ui.click(Acknowledgement());
        EXPECT_TRUE(Confirm().enabled());
        ui.click(Acknowledgement());
        EXPECT_FALSE(Confirm().enabled());
        // A confirm that reaches the button while unticked does nothing.
        Confirm().setEnabled(true);
        ui.click(Confirm());
        EXPECT_THAT(machine.RecycleCalls(), IsEmpty());
        EXPECT_TRUE(form.shown());
        EXPECT_TRUE(window->Busy().embeddedBusy);

        ui.click(CancelButton());
        EXPECT_FALSE(form.shown());
    });
    EXPECT_THAT(machine.RecycleCalls(), IsEmpty());
    EXPECT_THAT(IndexRemovalLogs(), IsEmpty());
    EXPECT_FALSE(reports->LastReport().has_value());
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_FALSE(Browser().bulkActive());
    EXPECT_TRUE(ButtonOf(files::kBulkDeleteText).enabled());
    // Page 1 of the same search, asked for again.
    EXPECT_GT(Browser().engine()->Page()->Token, tokenBeforeReview);
    EXPECT_EQ(Browser().offset(), 0);
    EXPECT_FALSE(window->Busy().embeddedBusy);
}

TEST_F(BulkReviewTest, MovesEveryFileOfALargeSetAndSkipsWhatChangedSinceIndexing) {
    for (int i = 0; i < 250; ++i) {
        Write(Doc("set\\f" + std::to_string(1000 + i) + ".txt"), "twelve bytes");
    }
    Write("C:\\Outside\\keep.txt", "system file");
    Write("C:\\Outside\\target.txt", "elsewhere");
    std::vector<std::string> headings;
    int shellDialogs = 0;
    scripted.bin().whileOpen = [&](const std::string&) { ++shellDialogs; };
    ui.backend().onPump = [&] {
        if (dialog && dialog->shown()) {
            headings.push_back(DialogHeading().text());
        }
    };
    Review([&](toolkit::Form&) {
        EXPECT_EQ(Preview().size(), 200u);
        EXPECT_EQ(Preview().front(), "0.0 MB | " + Doc("set\\f1000.txt"));
        // After indexing: one file edited, one touched, one replaced by a
        // link, one moved away.
        Write(Doc("set\\f1001.txt"), "now thirteen!");
        auto touched = *machine.HostPathOf(Doc("set\\f1002.txt"));
        std::filesystem::last_write_time(touched, std::filesystem::last_write_time(touched) +
                                                      std::chrono::seconds(5));
        std::filesystem::remove(*machine.HostPathOf(Doc("set\\f1003.txt")));
        Link(Doc("set\\f1003.txt"), "C:\\Outside\\target.txt");
        std::filesystem::rename(*machine.HostPathOf(Doc("set\\f1004.txt")),
                                *machine.HostPathOf(Doc("f1004-moved.txt")));
        ui.expectMessageBox(DialogResult::Ok); // the summary
        TickAndConfirm();
        EXPECT_FALSE(dialog->shown());
    });

    EXPECT_EQ(shellDialogs, 246);
    for (const char* kept : {"set\\f1001.txt", "set\\f1002.txt", "f1004-moved.txt"}) {
        EXPECT_TRUE(Exists(Doc(kept))) << kept;
    }
    EXPECT_TRUE(Exists("C:\\Outside\\keep.txt"));
    EXPECT_TRUE(Exists("C:\\Outside\\target.txt"));
    EXPECT_FALSE(Exists(Doc("set\\f1249.txt")));

    ASSERT_EQ(headings.size(), 250u);
    EXPECT_EQ(headings.front(), "تم نقل 1 | متجاوز 0 | المتبقي 249\r\n"
                                "إذا طلب ويندوز حذفاً نهائياً، ألغِه إذا ما تريده.");
    EXPECT_THAT(headings[4], StartsWith("تم نقل 1 | متجاوز 4 | المتبقي 245\r\n"));
    EXPECT_THAT(headings.back(), StartsWith("تم نقل 246 | متجاوز 4 | المتبقي 0\r\n"));

    const auto logs = IndexRemovalLogs();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_THAT(logs[0], HasSubstr("RECYCLED " + Doc("set\\f1000.txt") + "\r\n"));
    EXPECT_THAT(logs[0], HasSubstr("SKIPPED " + Doc("set\\f1001.txt") + " : " + kChanged));
    EXPECT_THAT(logs[0], HasSubstr("SKIPPED " + Doc("set\\f1002.txt") + " : " + kChanged));
    EXPECT_THAT(logs[0], HasSubstr("SKIPPED " + Doc("set\\f1003.txt") + " : "));
    EXPECT_THAT(logs[0], HasSubstr("SKIPPED " + Doc("set\\f1004.txt") + " : "));

    const auto report = reports->LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->kind, "حذف نتائج الفهرسة");
    EXPECT_EQ(report->attempted, 250);
    EXPECT_EQ(report->success, 246);
    EXPECT_EQ(report->failed, 4);
    EXPECT_EQ(report->logicalRemoved, 246 * 12);
    EXPECT_FALSE(report->stopped);
    EXPECT_EQ(LastBox(), records::ReportSummary18(*report, base::Culture::EnUs()));

    // The moved files have left the index and its first page.
    EXPECT_FALSE(window->Busy().embeddedBusy);
    Settle();
    TypeInto(std::string(files::kSearchBoxName), "\\set\\");
    Click(files::kApplyText);
    Settle();
    EXPECT_EQ(Browser().resultCount(), 4);
}

TEST_F(BulkReviewTest, AStopDuringTheThirdFileEndsTheRunBeforeTheFourth) {
    struct Case {
        const char* how;
        // Acts while the shell's dialog for the third file is open.
        std::function<void()> stop;
    };
    const std::vector<Case> cases = {
        {"the cancel button",
         [&] {
             ui.click(CancelButton());
             EXPECT_EQ(CancelButton().text(), files::kStoppingText);
         }},
        {"the dialog's close", [&] { EXPECT_FALSE(dialog->requestClose()); }},
        {"the main window's close",
         [&] {
             ui.expectMessageBox(DialogResult::Ok);
             EXPECT_FALSE(window->RequestClose());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        for (int i = 1; i <= 6; ++i) {
            Write(Doc("s\\f" + std::to_string(i) + ".txt"), "x");
        }
        window.reset();
        dialog = nullptr;
        int shellDialogs = 0;
        scripted.bin().whileOpen = [&](const std::string&) {
            if (++shellDialogs == 3) {
                c.stop();
            }
        };
        Review([&](toolkit::Form&) {
            ui.expectMessageBox(DialogResult::Ok); // the summary
            ui.click(Acknowledgement());
            ui.click(Confirm());
            EXPECT_FALSE(dialog->shown());
        });
        scripted.bin().whileOpen = nullptr;
        EXPECT_EQ(shellDialogs, 3);
        EXPECT_FALSE(Exists(Doc("s\\f3.txt")));
        EXPECT_TRUE(Exists(Doc("s\\f4.txt")));
        const auto report = reports->LastReport();
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(report->attempted, 3);
        EXPECT_TRUE(report->stopped);
        EXPECT_FALSE(window->Busy().embeddedBusy);
        EXPECT_TRUE(window->Window().shown());
        Settle();
    }
}

TEST_F(BulkReviewTest, AFailedPreparationIsToldWithoutADialog) {
    OpenBrowser();
    files::DeviceBrowserSection& s = Index("C:\\");
    index::VexoPage13 failed;
    failed.Error = "disk on fire";
    ui.expectMessageBox(DialogResult::Ok);
    files::OpenBulkReview22(s.form(), s.engine(), failed, {}, {*window, *reports});
    EXPECT_EQ(LastBox(), "تعذر تجهيز القائمة: disk on fire");
    EXPECT_THAT(ui.backend().modalForms, IsEmpty());
}

} // namespace
} // namespace vexo::testing
