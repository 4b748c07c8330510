#include <gtest/gtest.h>

#include <QWidget>
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

}  // namespace
