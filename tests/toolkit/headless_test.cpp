// The helpers later section tests drive the toolkit with: they must act only
// where a user could, and fail loudly on anything the test did not script.

#include "toolkit/headless/headless_app.h"
#include "toolkit/toolkit.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace vexo::toolkit {
namespace {

using headless::HeadlessApp;

class HeadlessTest : public ::testing::Test {
protected:
    HeadlessTest() {
        FormArgs args;
        args.text = "VEXO SOLVANE";
        args.size = Size{900, 580};
        form = std::make_unique<Form>(ui.app(), args);
        ButtonArgs b;
        b.text = "حذف";
        b.accessibleName = "delete";
        button = form->add<Button>(b);
        TextBoxArgs t;
        t.accessibleName = "search";
        box = form->add<TextBox>(t);
        form->show();
    }

    HeadlessApp ui;
    std::unique_ptr<Form> form;
    Button* button;
    TextBox* box;
};

TEST_F(HeadlessTest, FindsByTextOrNameAndActsOnlyWhereAUserCould) {
    int clicks = 0;
    button->onClick = [&](ClickEvent&) { ++clicks; };
    ui.click(*form, "حذف");
    ui.click(*form, "delete");
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(HeadlessApp::find<TextBox>(*form, "search"), box);
    EXPECT_EQ(HeadlessApp::find<Button>(*form, "search"), nullptr) << "wrong kind";

    button->setEnabled(false);
    EXPECT_NONFATAL_FAILURE(ui.click(*button), "disabled");
    box->setReadOnly(true);
    EXPECT_NONFATAL_FAILURE(ui.type(*box, "x"), "read-only");
    form->setVisible(false);
    EXPECT_NONFATAL_FAILURE(ui.type(*box, "x"), "hidden");
    EXPECT_EQ(clicks, 2);
}

TEST_F(HeadlessTest, MessageBoxesAreAnsweredFromTheScriptAndRecorded) {
    ui.expectMessageBox(DialogResult::Yes);
    const DialogResult r = ui.app().messageBox(
        {button, "متأكد؟", "فيكسو", MessageButtons::YesNo, MessageIcon::Question, true});
    EXPECT_EQ(r, DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    ui.app().messageBox(
        {nullptr, "لا مالك", "setup", MessageButtons::Ok, MessageIcon::Error, false});
    ASSERT_EQ(ui.shownMessageBoxes().size(), 2u);
    const auto& first = ui.shownMessageBoxes()[0];
    EXPECT_EQ(first.owner, "VEXO SOLVANE");
    EXPECT_EQ(first.caption, "فيكسو");
    EXPECT_EQ(first.buttons, MessageButtons::YesNo);
    EXPECT_EQ(first.icon, MessageIcon::Question);
    EXPECT_TRUE(first.rightToLeftReading);
    EXPECT_FALSE(ui.shownMessageBoxes()[1].hasOwner);
}

TEST(HeadlessFailures, UnexpectedMessageBoxFailsWithItsText) {
    EXPECT_NONFATAL_FAILURE(
        {
            HeadlessApp ui;
            ui.app().messageBox(
                {nullptr, "تعذر الفتح", "فيكسو", MessageButtons::Ok, MessageIcon::None, false});
        },
        "تعذر الفتح");
    EXPECT_NONFATAL_FAILURE(
        {
            HeadlessApp ui;
            ui.app().saveFile({nullptr, "تصدير", "CSV|*.csv", "files.csv", "csv", true});
        },
        "files.csv");
}

TEST_F(HeadlessTest, ModalDialogsRunTheScriptedUser) {
    FormArgs args;
    args.text = "مراجعة";
    Form dialog(ui.app(), args);
    ButtonArgs ok;
    ok.text = "تأكيد";
    auto* confirm = dialog.add<Button>(ok);
    confirm->onClick = [&](ClickEvent&) {
        dialog.setDialogResult(DialogResult::Ok);
        dialog.requestClose();
    };
    ui.expectModal([&](Form& f) { ui.click(f, "تأكيد"); });
    EXPECT_EQ(dialog.showModal(form.get()), DialogResult::Ok);
    EXPECT_EQ(dialog.owner(), form.get());

    ui.expectModal([](Form&) {}); // leaves it open
    EXPECT_NONFATAL_FAILURE(dialog.showModal(form.get()), "left open");
}

TEST_F(HeadlessTest, CloseRequestCanBeRefused) {
    bool busy = true;
    form->onCloseRequest = [&](CloseEvent& e) { e.cancel = busy; };
    EXPECT_FALSE(form->requestClose());
    EXPECT_TRUE(form->shown());
    busy = false;
    EXPECT_TRUE(form->requestClose());
}

TEST_F(HeadlessTest, KeysBubbleToTheFormUntilHandled) {
    std::vector<std::string> seen;
    box->onKeyDown = [&](KeyEvent& e) {
        seen.push_back(e.key == Key::Enter ? "box:enter" : "box");
    };
    form->onKeyDown = [&](KeyEvent& e) {
        seen.push_back("form");
        e.didHandle = e.key == Key::Enter;
    };
    EXPECT_TRUE(ui.pressKey(*box, Key::Enter));
    EXPECT_FALSE(ui.pressKey(*box, Key::Escape));
    EXPECT_EQ(seen, (std::vector<std::string>{"box:enter", "form", "box", "form"}));
}

TEST_F(HeadlessTest, MenusPumpsAndPaintingAreObservable) {
    PopupMenu menu(ui.app());
    std::string chosen;
    menu.items = {{"كل ملفات الجهاز", [&] { chosen = "browser"; }},
                  {"", {}},
                  {"تحليل المجلدات", [&] { chosen = "analysis"; }, false}};
    menu.openAt(*button, {0, 43});
    EXPECT_EQ(ui.backend().openMenuAt, (Point{0, 43}));
    ui.chooseMenuItem("كل ملفات الجهاز");
    EXPECT_EQ(chosen, "browser");
    EXPECT_NONFATAL_FAILURE(ui.chooseMenuItem("تحليل المجلدات"), "no menu is open");

    // A stop button clicked while a UI-thread loop lets messages through.
    bool stop = false;
    ui.backend().onPump = [&] { stop = true; };
    int done = 0;
    while (!stop && done < 10) {
        ++done;
        ui.app().pumpPending();
    }
    EXPECT_EQ(done, 1);

    auto* meter = form->add<DrawnControl>();
    meter->setSize({300, 200});
    meter->onPaint = [](PaintEvent& e) {
        e.canvas->drawArc({100, 24, 40, 40}, -90, 180, Color::rgb(24, 93, 228), 10, true);
        e.canvas->drawText("50%", {100, 24, 40, 40}, {});
    };
    const auto drawn = HeadlessApp::paint(*meter);
    ASSERT_EQ(drawn.all<headless::ArcOp>().size(), 1u);
    EXPECT_EQ(drawn.all<headless::ArcOp>()[0].box.width / 2, 20);
    EXPECT_EQ(drawn.texts(), std::vector<std::string>{"50%"});
}

} // namespace
} // namespace vexo::toolkit
