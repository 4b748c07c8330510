// The change log from the journal: the current record's history from the grid's menu, and the
// deleted investigations from the patients' menu, each record's history opened from there.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "data/clock.h"
#include "data/lab_data.h"
#include "history/change_history_window.h"
#include "history/deleted_investigations_window.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/date_picker.h"
#include "ui/db_grid.h"

namespace {

class JournalHistoryTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start({"insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
               "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
               "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
               "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA, OTCH, NPP) "
               "values (1, 1, 1, '2026-12-09', 'Орлова', 'Анна', 'Петровна', 1)",
               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (2, "
               "1, 1, '2026-12-09', 'Лебедев', 2)",
               "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 1, "
               "'отр')"});
    }
    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    data::Dataset& journal() { return (*program_)->labData->journal; }

    // A grid's shown rows, its cells joined, from the given column on.
    static QStringList rowsOf(ui::DbGrid* grid, int fromColumn) {
        QStringList rows;
        const QAbstractItemModel* model = grid->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = fromColumn; c < model->columnCount(); ++c)
                cells << model->index(r, c).data().toString();
            rows << cells.join(" | ");
        }
        return rows;
    }
};

TEST_F(JournalHistoryTest, TheGridMenuShowsTheCurrentRecordsHistoryWithWhatWasJustTyped) {
    ASSERT_TRUE(journal().locate("N_ISSLED", 2));
    const int surname = journal().fieldIndex("FAM");
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    int column = -1;
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->fieldIndexOfColumn(c) == surname) column = c;
    ASSERT_GE(column, 0);
    QLineEdit* cell = testing_support::typeIntoCell(
        page().journalGrid, page().journalGrid->currentIndex().row(), column,
        QStringLiteral("Лебедева"));
    ASSERT_NE(cell, nullptr);

    QStringList shown;
    QString label;
    dialogs_.whileShown([this] { page().historyAction->trigger(); },
                        [&](QDialog* window) {
                            auto* history = qobject_cast<ChangeHistoryWindow*>(window);
                            ASSERT_NE(history, nullptr);
                            label = history->recordLabel->text();
                            shown = rowsOf(history->grid, 3);
                        });
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(label, QStringLiteral("Исследование № 2: Лебедева"));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first(), QStringLiteral("Изменение | Фамилия | Лебедев | Лебедева"))
        << "the typing was saved first, and shows";
    EXPECT_TRUE(shown.contains(QStringLiteral("Регистрация | ЛПУ |  | Амбулатория")))
        << shown.join("\n").toStdString();
}

TEST_F(JournalHistoryTest, DeletedInvestigationsShowWhoDeletedWhatAndOpenTheirHistory) {
    ASSERT_TRUE(journal().locate("N_ISSLED", 1));
    dialogs_.answers.push_back(QMessageBox::Yes);  // "Вы уверены?"
    page().deleteRecordButton->click();
    ASSERT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 1").toInt(), 0);

    const QDate deletedOn = QDate::currentDate();
    QStringList listed, timeline, titles;
    QString timelineLabel;
    dialogs_.onModal = [&](QDialog* window) {
        window->show();
        if (auto* deleted = qobject_cast<DeletedInvestigationsWindow*>(window)) {
            // A period before the deletion lists nothing; one holding its day lists it.
            deleted->periodFrom->setDate(deletedOn.addDays(-5));
            deleted->periodTo->setDate(deletedOn.addDays(-1));
            deleted->showButton->click();
            EXPECT_EQ(deleted->grid->model()->rowCount(), 0);
            deleted->periodTo->setDate(deletedOn);
            deleted->showButton->click();
            const QAbstractItemModel* model = deleted->grid->model();
            for (int c = 0; c < model->columnCount(); ++c)
                titles << model->headerData(c, Qt::Horizontal).toString();
            listed = rowsOf(deleted->grid, 1);
            deleted->historyButton->click();
        } else if (auto* history = qobject_cast<ChangeHistoryWindow*>(window)) {
            timelineLabel = history->recordLabel->text();
            timeline = rowsOf(history->grid, 3);
        }
        window->close();
        return 0;
    };
    form().deletedInvestigationsAction->trigger();
    dialogs_.onModal = nullptr;
    EXPECT_EQ(dialogs_.texts(), QStringList{QStringLiteral("Вы уверены?")}) << "and nothing else";

    EXPECT_EQ(titles, (QStringList{"Удалено", "Пользователь", "Рабочая станция", "Пациент",
                                   "Вид исследования", "Дата взятия ан."}));
    EXPECT_EQ(listed, (QStringList{QStringLiteral(
                          "SYSDBA | встроенная | Орлова Анна Петровна | ИФА ВИЧ | 09.12.2026")}));
    EXPECT_EQ(timelineLabel, QStringLiteral("Исследование № 1: Орлова Анна Петровна"));
    ASSERT_FALSE(timeline.isEmpty());
    EXPECT_TRUE(timeline.contains(QStringLiteral("Удаление | Фамилия | Орлова | ")))
        << timeline.join("\n").toStdString();
    EXPECT_TRUE(timeline.contains(QStringLiteral("Удаление | Антитела | отр | ")));
    EXPECT_EQ(timeline.last(), QStringLiteral("Регистрация | Номер записи |  | 1"));
}

}  // namespace
