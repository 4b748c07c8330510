// Qt's own texts and the calendars read Russian under the C locale the journal's suite runs in.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "support/program.h"

namespace {

class QtTextsTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start({"insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')"});
    }
    MainWindow& form() { return *(*program_)->mainWindow; }
};

// A command's text as the user reads it: without the accelerator's mark and the shortcut.
QString shownText(const QAction* action) {
    return action->text().section(u'\t', 0, 0).remove(u'&');
}

TEST_F(QtTextsTest, BoxesAnswerWithRussianButtons) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Лабораторный журнал"),
                    QStringLiteral("Сохранить изменения?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Отмена"));
    QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text().remove(u'&'),
              QStringLiteral("Сохранить"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'),
              QStringLiteral("Отмена"));
}

TEST_F(QtTextsTest, AnEditsContextMenuIsRussian) {
    const std::unique_ptr<QMenu> menu(form().searchPage->surnameEdit->createStandardContextMenu());
    QStringList commands;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) commands << shownText(action);
    EXPECT_EQ(commands, QStringList({"Отменить действие", "Повторить действие", "Вырезать",
                                     "Копировать", "Вставить", "Удалить", "Выделить всё"}));
}

TEST_F(QtTextsTest, ADatePickersCalendarNamesMonthsAndDaysInRussianFromMonday) {
    QDateEdit* picker = form().journalPage->periodFrom;
    ASSERT_EQ(picker->date(), QDate(2026, 12, 9));
    QCalendarWidget* calendar = picker->calendarWidget();
    ASSERT_NE(calendar, nullptr);
    auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), QStringLiteral("декабрь"));
    QStringList monthMenu;
    for (const QAction* action : month->menu()->actions()) monthMenu << shownText(action);
    EXPECT_EQ(monthMenu.value(0), QStringLiteral("январь"));
    EXPECT_EQ(monthMenu.value(4), QStringLiteral("май"));
    auto* days = calendar->findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    QStringList header;
    for (int column = 0; column < days->model()->columnCount(); ++column)
        header << days->model()->index(0, column).data().toString();
    EXPECT_EQ(header, QStringList({"пн", "вт", "ср", "чт", "пт", "сб", "вс"}));
}

}  // namespace
