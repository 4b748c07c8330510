// The change log as the card writes it and shows it: what a save logs, through the card's own
// controls, and the record's history opened with the card's command.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "card/research_card.h"
#include "data/lab_data.h"
#include "history/change_history_window.h"
#include "reports/office/memory_office.h"
#include "reports/office/office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

namespace {

class CardHistoryTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(QStringList{
            "insert into RECV_ST (COD) values (1)",
            "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
            "insert into SP_VR (COD_VR, FIO) values (1, 'Сидорова А.А.')",
            "insert into SP_VR (COD_VR, FIO) values (2, 'Кузнецов Б.Б.')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (22, 'Антиген p24')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 2)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 1, 22, 3)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_VR, DAT_ISSLED, FAM, IMJA, NOM, "
            "POL) values (1, 1, 1, 2, '2026-12-09', 'Иванов', 'Иван', 15, 'М')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (1, 20, "
            "1, 1, 'отрицательно')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (2, 21, "
            "1, 1, '0,2')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (3, 22, 1, 1)"});
    }
    void TearDown() override {
        if (card().isVisible()) {
            dialogs_.answers.push_back(QMessageBox::No);
            card().hide();
        }
        ProgramTest::TearDown();
    }

    ResearchCard& card() { return *(*program_)->researchCard; }
    void open(int key) {
        session().investigationKey = key;
        card().show();
        card().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&card()));
        lastLogged_ = db_->scalar("select coalesce(max(N_LOG), 0) from CHANGE_LOG").toLongLong();
    }
    void type(QLineEdit* edit, const QString& text) { testing_support::typeText(edit, text); }
    // As the user does it: a click on the result's cell, F2, the text (none: Delete), Enter.
    void typeResult(int row, const QString& text) {
        ui::DbGrid* grid = card().resultsGrid;
        grid->setFocus();  // the grid widens when it has the focus
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        ASSERT_TRUE(cell.isValid()) << "row " << row << " is not shown";
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_EQ(grid->currentIndex().row(), row);
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "no editor on row " << row;
        if (text.isEmpty()) {
            editor->selectAll();
            QTest::keyClick(editor, Qt::Key_Delete);
        } else {
            testing_support::typeText(editor, text);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the grid takes the typing once the editor is done
        EXPECT_EQ(grid->model()->index(row, 1).data().toString(), text);
    }
    // What the log got since the card was opened: operation, field or indicator, old → new.
    QStringList logged() const {
        QStringList lines;
        for (const auto& row : db_->rows(
                 QStringLiteral("select OPERATION, coalesce(FIELD_NAME, N_PRLAB), "
                                "coalesce(OLD_VALUE, '<null>'), coalesce(NEW_VALUE, '<null>') "
                                "from CHANGE_LOG where N_LOG > %1 order by N_LOG")
                     .arg(lastLogged_)))
            lines << QStringLiteral("%1 %2 %3 → %4")
                         .arg(row[0].toString(), row[1].toString().trimmed(), row[2].toString(),
                              row[3].toString());
        return lines;
    }
    qint64 lastLogged_ = 0;
};

TEST_F(CardHistoryTest, SavingAnUntouchedCardLogsNothing) {
    open(1);
    card().saveButton->click();
    card().saveButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(logged(), QStringList());
}

// Each kind of the card's controls, and a result typed, changed and cleared: one row per
// change, all of one save at one time.
TEST_F(CardHistoryTest, ASaveLogsEachChangeOnceInOneEvent) {
    open(1);
    type(card().surnameEdit, QStringLiteral("Петров"));              // a text
    type(card().uniqueNumberEdit, QStringLiteral("16"));             // a number
    type(card().birthDateEdit, QStringLiteral("03022001"));          // a date
    card().doctorSelector->setFocus();                               // a directory
    QTest::keyClick(card().doctorSelector, Qt::Key_Down);
    card().sexSelector->setFocus();                                  // a fixed list
    QTest::keyClick(card().sexSelector, Qt::Key_Down);
    typeResult(0, QStringLiteral("положительно"));                   // changed
    typeResult(2, QStringLiteral("1,25"));                           // typed
    typeResult(1, QString());                                        // cleared
    card().saveButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    QStringList rows = logged();
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"U 20 отрицательно → положительно", "U 21 0,2 → <null>",
                                 "U 22 <null> → 1,25", "U COD_VR 2 → 1",
                                 "U DAT_R <null> → 03.02.2001", "U FAM Иванов → Петров",
                                 "U NOM 15 → 16", "U POL М → Ж",
                                 // the card computes the age from the birth date
                                 "U VOZR <null> → 25"}));
    EXPECT_EQ(db_->scalar(QStringLiteral("select count(distinct CHANGED_AT) from CHANGE_LOG "
                                         "where N_LOG > %1")
                              .arg(lastLogged_))
                  .toInt(),
              1);
    // Saved again untouched: nothing more.
    card().saveButton->click();
    EXPECT_EQ(logged().size(), 9);
}

TEST_F(CardHistoryTest, TheCardsCommandShowsTheRecordsEventsNewestFirst) {
    open(1);
    type(card().surnameEdit, QStringLiteral("Петров"));
    card().doctorSelector->setFocus();
    QTest::keyClick(card().doctorSelector, Qt::Key_Down);
    typeResult(0, QStringLiteral("положительно"));
    card().saveButton->click();
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();

    QStringList shown;
    QString label;
    dialogs_.whileShown([this] { card().historyButton->click(); },
                        [&](QDialog* window) {
                            auto* history = qobject_cast<ChangeHistoryWindow*>(window);
                            ASSERT_NE(history, nullptr);
                            label = history->recordLabel->text();
                            const QAbstractItemModel* model = history->grid->model();
                            QStringList titles;
                            for (int c = 0; c < model->columnCount(); ++c)
                                titles << model->headerData(c, Qt::Horizontal).toString();
                            EXPECT_EQ(titles, (QStringList{"Дата и время", "Пользователь",
                                                           "Рабочая станция", "Событие",
                                                           "Что изменено", "Было", "Стало"}));
                            for (int r = 0; r < model->rowCount(); ++r) {
                                QStringList cells;
                                for (int c = 1; c < model->columnCount(); ++c)
                                    cells << model->index(r, c).data().toString();
                                shown << cells.join(" | ");
                            }
                            // Exported as any grid: its titles, then its rows as shown.
                            office::MemoryOffice memory;
                            office::setOffice(&memory);
                            history->exportButton->click();
                            office::setOffice(nullptr);
                            ASSERT_EQ(memory.sheets.size(), 1u);
                            const office::MemorySheet& sheet = *memory.sheets[0];
                            EXPECT_EQ(sheet.text(1, 1), QStringLiteral("Дата и время"));
                            EXPECT_EQ(sheet.text(1, 7), QStringLiteral("Стало"));
                            EXPECT_EQ(sheet.text(2, 5), QStringLiteral("Фамилия"));
                            EXPECT_EQ(sheet.text(2, 7), QStringLiteral("Петров"));
                            EXPECT_EQ(sheet.text(2, 1), model->index(0, 0).data().toString());
                            const QString at = model->index(0, 0).data().toString();
                            EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4} "
                                                           "\\d\\d:\\d\\d:\\d\\d$")
                                            .match(at)
                                            .hasMatch())
                                << at.toStdString();
                        });
    EXPECT_EQ(label, QStringLiteral("Исследование № 1: Петров Иван"));
    ASSERT_GE(shown.size(), 3);
    // This save's three changes first, the last written first (the results were written
    // before the record, whose columns are logged in the order of its table), the registration
    // after them.
    const QString by = QStringLiteral("SYSDBA | встроенная | ");
    EXPECT_EQ(shown.mid(0, 3),
              (QStringList{by + "Изменение | Фамилия | Иванов | Петров",
                           by + "Изменение | Врач | Кузнецов Б.Б. | Сидорова А.А.",
                           by + "Изменение | Антитела | отрицательно | положительно"}));
    EXPECT_TRUE(shown.contains(by + "Регистрация | Фамилия |  | Иванов"))
        << shown.join("\n").toStdString();
    EXPECT_EQ(shown.last(), by + "Регистрация | Номер записи |  | 1");
}

}  // namespace
