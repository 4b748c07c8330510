#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <stdexcept>

#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"

using testing_support::ScriptedDialogs;

namespace {

// Whatever a command throws reaches the user as a message and the program goes on.
TEST(Commands, EveryFailureIsShownAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    QWidget window;
    ui::command(&window, [] { throw db::DbError(QStringLiteral("lock conflict on no wait")); })();
    ui::command(&window, [] { throw std::runtime_error("файл не найден"); })();
    ui::command(&window, [] { throw 42; })();
    bool ran = false;
    ui::command(&window, [&] { ran = true; })();
    EXPECT_EQ(dialogs.texts(), (QStringList{QStringLiteral("lock conflict on no wait"),
                                            QStringLiteral("файл не найден"),
                                            QStringLiteral("Непредвиденная ошибка программы.")}));
    for (const auto& m : dialogs.messages) EXPECT_EQ(m.icon, QMessageBox::Critical);
    EXPECT_TRUE(ran);
}

TEST(MessageBoxes, ALoneCarriageReturnBreaksTheLine) {
    EXPECT_EQ(ui::boxText(QStringLiteral("Отсутствует фамилия, имя, отчество \r удалить запись?")),
              QStringLiteral("Отсутствует фамилия, имя, отчество \n удалить запись?"));
    EXPECT_EQ(ui::boxText("a\r\nb\r"), "a\r\nb\n");
}

// The box asking whether to close a document: only its OK button says yes.
TEST(MessageBoxes, OkBoxTellsOkFromClosingItAnotherWay) {
    ui::QtDialogs real;
    const std::vector<std::pair<const char*, std::function<void(QMessageBox*)>>> ways = {
        {"ok", [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }},
        {"enter", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }},
        {"escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"close box", [](QMessageBox* box) { box->close(); }}};
    for (const auto& [name, answer] : ways) {
        bool visibleButtons = true;
        QTimer::singleShot(0, [&, answer = answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), QStringLiteral("Закрыть EXCEL?"));
            int shown = 0;
            for (QAbstractButton* b : box->buttons()) shown += b->isVisible() ? 1 : 0;
            visibleButtons = shown == 1;
            answer(box);
        });
        const bool ok = real.okPressed(nullptr, QStringLiteral("Закрыть EXCEL?"));
        EXPECT_EQ(ok, std::string(name) == "ok" || std::string(name) == "enter") << name;
        EXPECT_TRUE(visibleButtons) << name << ": OK is the only button the user sees";
    }
}

// Where the box asking about a shown document stands: beside the document's window, never over
// it, on the screen; right, left, below, above in that order of preference.
TEST(MessageBoxes, BoxStandsBesideTheRectangleItKeepsClear) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize box(200, 100);
    const struct {
        const char* name;
        QRect document;
        QPoint expected;
    } cases[] = {
        {"room on the right", {0, 0, 800, 600}, {808, 249}},
        {"room on the left only", {400, 0, 880, 1024}, {192, 461}},
        {"room below only", {0, 0, 1280, 900}, {539, 908}},
        {"room above only", {0, 200, 1280, 824}, {539, 92}},
        // Level with the rectangle's middle, yet kept on the screen.
        {"beside a low rectangle", {0, 950, 900, 74}, {908, 924}},
        // No side has room: as far off as the screen allows on the side with the most.
        {"a full screen", {0, 0, 1280, 1024}, {539, 924}},
        {"nearly full, more room below", {0, 0, 1200, 960}, {499, 924}},
    };
    for (const auto& c : cases) {
        const QPoint at = ui::positionBeside(box, c.document, screen);
        EXPECT_EQ(at, c.expected) << c.name << ": " << at.x() << "," << at.y();
        const QRect placed(at, box);
        EXPECT_TRUE(screen.contains(placed)) << c.name;
        if (c.document.width() + box.width() + 8 <= screen.width() ||
            c.document.height() + box.height() + 8 <= screen.height()) {
            EXPECT_FALSE(placed.intersects(c.document)) << c.name;
        }
    }
}

}  // namespace
