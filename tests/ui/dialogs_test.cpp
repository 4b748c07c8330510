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

}  // namespace
