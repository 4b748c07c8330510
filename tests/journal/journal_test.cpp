#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "data/session.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::Program;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

// Two institutions; type 1 with three indicators whose composition order is 20, 22, 21;
// type 2 with no composition yet.
QStringList fixture() {
    return {
        "insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (22, 'p24')",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 3)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 1, 22, 2)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (1, 1, 1, "
        "'2026-12-09', 'Без строк', 1)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (2, 1, 1, "
        "'2026-12-09', 'Пустые', 2)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (3, 1, 1, "
        "'2026-12-09', 'С результатом', 3)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (4, 2, 1, "
        "'2026-12-09', 'Блот', 4)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (20, 1, 2)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (20, 1, 3)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (21, 1, 3, 'отр')",
        "set generator GEN_ISSLED_ID to 100"};
}

class JournalTest : public testing_support::ProgramTest {
protected:
    void SetUp() override { start(fixture()); }

    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    data::Dataset& journal() { return (*program_)->labData->journal; }
    bool marked(int key) {
        ui::DatasetModel* model = page().journalGrid->datasetModel();
        for (int row = 0; row < model->rowCount(); ++row)
            if (journal().valueAt(row, journal().fieldIndex("N_ISSLED")).toInt() == key)
                return model->data(model->index(row, 4), Qt::BackgroundRole).value<QColor>() ==
                       QColor(255, 255, 0);
        ADD_FAILURE() << "record " << key << " not in the journal";
        return false;
    }
    QStringList resultIndicators(int key) {
        QStringList list;
        for (const auto& r : db_->rows(
                 QStringLiteral("select N_PRLAB, N_LISSL from LAB_ISSL_BOL where N_ISSLED = %1 "
                                "order by N_ISBOL")
                     .arg(key)))
            list << r[0].toString() + "/" + r[1].toString();
        return list;
    }
};

TEST_F(JournalTest, StartsOnTypeOneWithTotalsAndMarks) {
    EXPECT_EQ(journal().recordCount(), 3);
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 3"));
    EXPECT_TRUE(page().journalGrid->isColumnHidden(0));
    EXPECT_TRUE(page().addRecordButton->isEnabled());
    EXPECT_TRUE(page().deleteRecordButton->isEnabled());
    EXPECT_TRUE(marked(1)) << "no result rows at all";
    EXPECT_TRUE(marked(2)) << "result rows, all empty";
    EXPECT_FALSE(marked(3)) << "one result entered";
}

TEST_F(JournalTest, ResultEnteredElsewhereShowsAfterTheNextReload) {
    db_->exec("update LAB_ISSL_BOL set RESULT = 'пол' where N_ISSLED = 2");
    EXPECT_TRUE(marked(2)) << "the mark is what the journal read";
    page().reloadForPeriod();
    EXPECT_FALSE(marked(2));
}

TEST_F(JournalTest, AFinishedDateReloadsOnce) {
    QSignalSpy reloads(&journal(), &data::Dataset::opened);
    page().periodFrom->setDate(QDate(2026, 12, 8));
    EXPECT_EQ(reloads.count(), 0) << "not while the date is being typed";
    emit page().periodFrom->editingFinished();
    EXPECT_EQ(reloads.count(), 1);
    EXPECT_EQ(journal().param("d1").toDate(), QDate(2026, 12, 8));
    emit page().periodTo->editingFinished();
    EXPECT_EQ(reloads.count(), 1) << "nothing changed: no reload";
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 3"));
}

// A date typed key by key into a period picker, over the date it showed.
struct TypedDateCase {
    const char* name;
    QDate shown;
    const char* keys;
    QDate taken;  // invalid: refused
    const char* keptText;
};

void PrintTo(const TypedDateCase& c, std::ostream* os) { *os << c.name; }

class JournalTypedDateTest : public JournalTest,
                             public ::testing::WithParamInterface<TypedDateCase> {};

TEST_P(JournalTypedDateTest, AWholeDateIsTakenAsTypedAndAnImpossibleOneRefused) {
    const TypedDateCase& c = GetParam();
    QDateEdit* picker = page().periodTo;
    {
        const QSignalBlocker quiet(picker);
        picker->setDate(c.shown);
    }
    page().reloadForPeriod();
    QSignalSpy reloads(&journal(), &data::Dataset::opened);
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Home);
    QTest::keyClicks(picker, QString::fromLatin1(c.keys));
    QTest::keyClick(picker, Qt::Key_Return);
    if (c.taken.isValid()) {
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
        EXPECT_EQ(picker->date(), c.taken);
        EXPECT_EQ(journal().param("d2").toDate(), c.taken) << "the journal shows the typed period";
        EXPECT_EQ(reloads.count(), 1);
    } else {
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_EQ(dialogs_.messages[0].text,
                  QStringLiteral("«%1» не является датой (поле «по..»).").arg(c.keptText));
        EXPECT_EQ(picker->text(), QString::fromLatin1(c.keptText)) << "kept for correction";
        EXPECT_EQ(reloads.count(), 0);
        EXPECT_EQ(journal().param("d2").toDate(), c.shown);
        // Corrected, it is taken.
        QTest::keyClick(picker, Qt::Key_Home);
        QTest::keyClicks(picker, "28");
        QTest::keyClick(picker, Qt::Key_Return);
        EXPECT_EQ(picker->text().left(2), "28");
        EXPECT_EQ(reloads.count(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Typing, JournalTypedDateTest,
    ::testing::Values(
        TypedDateCase{"DayBeyondTheShownMonth", QDate(2026, 11, 30), "31122026",
                      QDate(2026, 12, 31), ""},
        TypedDateCase{"WithDots", QDate(2026, 11, 30), "31.12.2026", QDate(2026, 12, 31), ""},
        TypedDateCase{"LeapDay", QDate(2026, 2, 10), "29022028", QDate(2028, 2, 29), ""},
        TypedDateCase{"ShorterMonth", QDate(2026, 1, 31), "28022026", QDate(2026, 2, 28), ""},
        TypedDateCase{"ImpossibleDate", QDate(2026, 2, 10), "31022026", QDate(), "31.02.2026"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JournalTest, LeavingAPeriodPickerWithAnImpossibleDateKeepsItAndCommandsWait) {
    QDateEdit* picker = page().periodFrom;
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Home);
    QTest::keyClicks(picker, "3102");
    EXPECT_EQ(picker->text(), "31.02.2026");
    page().saveRecordButton->click();  // a command: the impossible date is refused first
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("«31.02.2026» не является датой (поле «Дата с..»)."));
    EXPECT_EQ(picker->text(), "31.02.2026");
    EXPECT_EQ(journal().param("d1").toDate(), QDate(2026, 12, 9))
        << "no date made up of the typing reaches the journal";
}

TEST_F(JournalTest, ReversedRangeGivesAnEmptyJournal) {
    page().periodFrom->setDate(QDate(2026, 12, 10));
    page().reloadForPeriod();
    EXPECT_EQ(journal().recordCount(), 0);
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 0"));
    EXPECT_FALSE(page().deleteRecordButton->isEnabled());
    page().enterResults();
    EXPECT_EQ(dialogs_.texts(), QStringList{QStringLiteral("Задайте метод исследования.")});
}

TEST_F(JournalTest, ClearingTheTypeShowsAllTypesAndTheTypeColumn) {
    page().typeSelector->setKeyValue(QVariant());
    EXPECT_EQ(session().investigationType, 0);
    EXPECT_EQ(journal().recordCount(), 4);
    EXPECT_FALSE(page().journalGrid->isColumnHidden(0));
    page().typeSelector->setKeyValue(2);
    EXPECT_EQ(journal().recordCount(), 1);
    EXPECT_TRUE(page().journalGrid->isColumnHidden(0));
    page().institutionList.locate("COD_LPU", 2);
    EXPECT_EQ(journal().recordCount(), 0) << "the type stays with another institution";
    EXPECT_EQ(session().investigationType, 2);
    EXPECT_EQ(page().periodFrom->date(), QDate(2026, 12, 9));
}

TEST_F(JournalTest, ResultRowsAreCreatedOnceInCompositionOrder) {
    int shown = 0;
    dialogs_.onModal = [&](QDialog* card) {
        ++shown;
        EXPECT_EQ(card->windowTitle(), QStringLiteral("Данные исследования - ИФА ВИЧ"));
        EXPECT_EQ(session().investigationKey, 1);
        return 0;
    };
    journal().locate("N_ISSLED", 1);
    page().enterResults();
    EXPECT_EQ(resultIndicators(1), (QStringList{"20/1", "22/1", "21/1"}));
    EXPECT_EQ(journal().value("N_ISSLED").toInt(), 1) << "the journal returns to the record";
    page().enterResults();
    EXPECT_EQ(resultIndicators(1).size(), 3) << "created once";
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(marked(1));
}

TEST_F(JournalTest, EmptyCompositionCreatesNothingUntilItGetsIndicators) {
    dialogs_.onModal = [](QDialog*) { return 0; };
    page().typeSelector->setKeyValue(QVariant());
    journal().locate("N_ISSLED", 4);
    page().enterResults();
    EXPECT_TRUE(resultIndicators(4).isEmpty());
    db_->exec("insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (10, 2, 22, 1)");
    page().enterResults();
    EXPECT_EQ(resultIndicators(4), QStringList{"22/2"})
        << "the record's own type, not the selector's";
}

TEST_F(JournalTest, RecordDeletedAtAnotherWorkstationIsNotGivenResults) {
    dialogs_.onModal = [](QDialog*) {
        ADD_FAILURE() << "the card opened";
        return 0;
    };
    journal().locate("N_ISSLED", 1);
    db_->exec("delete from ISSLED where N_ISSLED = 1");
    page().enterResultsAction->trigger();
    ASSERT_EQ(dialogs_.texts().size(), 1);
    EXPECT_TRUE(dialogs_.texts()[0].startsWith(QStringLiteral("Запись не найдена")));
    EXPECT_TRUE(resultIndicators(1).isEmpty());
    EXPECT_EQ(journal().recordCount(), 2) << "the journal was read again";
}

TEST_F(JournalTest, AddedRecordAndItsEmptyRowsStayAfterCancel) {
    dialogs_.answers = {QMessageBox::No};  // the nameless record is kept
    dialogs_.onModal = [](QDialog* card) {
        card->show();
        for (auto* b : card->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Отменить")) b->click();
        return 0;
    };
    page().addRecord();
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 101").toInt(), 1);
    EXPECT_EQ(db_->scalar("select COD_LPU from ISSLED where N_ISSLED = 101").toInt(), 1);
    EXPECT_EQ(resultIndicators(101), (QStringList{"20/1", "22/1", "21/1"}));
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 4"));
    EXPECT_EQ(journal().currentRow(), 0) << "after adding the journal stands on its first record";
    EXPECT_TRUE(marked(101));
    EXPECT_TRUE(dialogs_.texts().first().startsWith(QStringLiteral("Отсутствует фамилия")));
}

TEST_F(JournalTest, AddWithoutATypeOnlyAsksForOne) {
    page().typeSelector->setKeyValue(QVariant());
    dialogs_.onModal = [](QDialog*) {
        ADD_FAILURE() << "the card opened";
        return 0;
    };
    page().addRecord();
    EXPECT_EQ(dialogs_.texts(), QStringList{QStringLiteral("Задайте вид исследования.")});
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 4);
}

TEST_F(JournalTest, DeleteAsksFirst) {
    journal().locate("N_ISSLED", 3);
    dialogs_.answers = {QMessageBox::No, QMessageBox::Yes};
    page().deleteRecord();
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 4);
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 3"));
    journal().locate("N_ISSLED", 3);
    page().deleteRecord();
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("Вы уверены?"));
    EXPECT_EQ(dialogs_.messages[1].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 3").toInt(), 0);
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL where N_ISSLED = 3").toInt(), 0);
    EXPECT_EQ(page().totalLabel->text(), QStringLiteral("Всего: 2"));
}

TEST_F(JournalTest, InPlaceEditSurvivesAnInstitutionChange) {
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    ASSERT_TRUE(model->setData(model->index(0, 4), QStringLiteral("Исправленная"), Qt::EditRole));
    ASSERT_TRUE(journal().updatesPending());
    page().institutionList.locate("COD_LPU", 2);
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Исправленная"));
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable) << "joined department name";
}

TEST_F(JournalTest, ARefusedSaveOffersToDiscardOrKeepsTheEditForTheNextAttempt) {
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    model->setData(model->index(0, 4), QStringLiteral("Новая"), Qt::EditRole);
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set FAM = FAM where N_ISSLED = 1");
    dialogs_.answers = {QMessageBox::No};  // keep the edit
    page().saveRecordButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains("lock conflict") ||
                dialogs_.messages[0].text.contains("deadlock"))
        << dialogs_.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Отказаться")));
    EXPECT_TRUE(journal().updatesPending());
    lock.rollback();
    page().saveRecordButton->click();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Новая"));
    EXPECT_EQ(dialogs_.messages.size(), 1u);
}

// Every command commits the cell being edited before it runs: nothing typed is lost.
struct CommandCase {
    const char* name;
    std::function<void(JournalPage&, MainWindow&)> run;
    std::deque<QMessageBox::StandardButton> answers;
    bool saves = true;  // the command also writes the journal to the database
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class JournalCommandTest : public JournalTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(JournalCommandTest, CommitsTheOpenCellEditorFirst) {
    dialogs_.onModal = [](QDialog*) { return 0; };
    dialogs_.answers = GetParam().answers;
    QPointer<QLineEdit> editor =
        testing_support::typeIntoCell(page().journalGrid, 0, 4, QStringLiteral("Напечатанная"));
    ASSERT_TRUE(editor);
    GetParam().run(page(), form());
    EXPECT_TRUE(!editor || !editor->isVisible()) << "the editor is closed";
    ASSERT_TRUE(journal().locate("N_ISSLED", 1));
    EXPECT_EQ(journal().value("FAM").toString(), QStringLiteral("Напечатанная"));
    if (GetParam().saves) {
        EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
                  QStringLiteral("Напечатанная"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, JournalCommandTest,
    ::testing::Values(
        CommandCase{"Save", [](JournalPage& p, MainWindow&) { p.saveRecordButton->click(); }, {}},
        CommandCase{"Add",
                    [](JournalPage& p, MainWindow&) { p.addRecordButton->click(); },
                    {QMessageBox::No}},
        CommandCase{"DeleteAnswerNo",
                    [](JournalPage& p, MainWindow&) { p.deleteRecordButton->click(); },
                    {QMessageBox::No}},
        CommandCase{"EnterResults",
                    [](JournalPage& p, MainWindow&) { p.enterResultsAction->trigger(); },
                    {}},
        CommandCase{"AnotherType",
                    [](JournalPage& p, MainWindow&) {
                        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                        QApplication::sendEvent(p.typeSelector, &del);
                    },
                    {}},
        CommandCase{"Directory",
                    [](JournalPage&, MainWindow& w) { w.doctorsAction->trigger(); },
                    {},
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JournalTest, ARefusedCellValueStopsTheCommand) {
    // A number field given a word: the refusal is shown and the command does not run.
    QPointer<QLineEdit> editor =
        testing_support::typeIntoCell(page().journalGrid, 0, 2, QStringLiteral("12x"));  // №пп
    ASSERT_TRUE(editor);
    page().deleteRecordButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u) << "the refusal, and no delete question";
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("№пп")));
    EXPECT_TRUE(editor && editor->isVisible()) << "the cell stays open for correction";
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 4);

    testing_support::typeIntoCell(page().journalGrid, 0, 2, QStringLiteral("12x"));
    form().exitAction->trigger();
    EXPECT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_TRUE(form().isVisible()) << "the program does not close over it either";
}

TEST_F(JournalTest, ARefusedDeleteTakesBackItsOwnStatements) {
    // An in-place edit of record 1 goes out with the deletion of record 3, which is refused.
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    model->setData(model->index(0, 4), QStringLiteral("Правка"), Qt::EditRole);
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set NPP = NPP where N_ISSLED = 3");
    journal().locate("N_ISSLED", 3);
    dialogs_.answers = {QMessageBox::Yes, QMessageBox::No};  // delete; keep the refused change
    page().deleteRecordButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 2u) << "the question, then why it failed";
    EXPECT_TRUE(dialogs_.messages[1].text.contains("lock conflict") ||
                dialogs_.messages[1].text.contains("deadlock"))
        << dialogs_.messages[1].text.toStdString();
    EXPECT_TRUE(dialogs_.messages[1].text.contains(QStringLiteral("Отказаться")));
    EXPECT_TRUE(journal().updatesPending()) << "the user's buffer is kept";
    lock.rollback();
    // Something else is committed later: nothing of the refused save may surface with it.
    labData().writeTransaction.commitRetaining();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Без строк"));
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 3").toInt(), 1);
}

TEST_F(JournalTest, ARefusedSaveBeforeAReloadKeepsTheSelectorsOrDiscards) {
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    model->setData(model->index(0, 4), QStringLiteral("Не пройдёт"), Qt::EditRole);
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set FAM = FAM where N_ISSLED = 1");

    // Kept: the journal stays as it was read and the selectors say so.
    dialogs_.answers = {QMessageBox::No};
    page().institutionList.locate("COD_LPU", 2);
    EXPECT_EQ(page().institutionList.value("COD_LPU").toInt(), 1);
    dialogs_.answers = {QMessageBox::No};
    page().typeSelector->setKeyValue(2);
    EXPECT_EQ(page().typeSelector->keyValue().toInt(), 1);
    EXPECT_EQ(session().investigationType, 1);
    dialogs_.answers = {QMessageBox::No};
    page().periodFrom->setDate(QDate(2026, 12, 1));
    emit page().periodFrom->editingFinished();
    EXPECT_EQ(page().periodFrom->date(), QDate(2026, 12, 9));
    EXPECT_EQ(journal().recordCount(), 3);
    EXPECT_TRUE(journal().updatesPending());

    // Discarded: the journal is read again from the database and the reload goes on.
    dialogs_.answers = {QMessageBox::Yes};
    page().institutionList.locate("COD_LPU", 2);
    EXPECT_EQ(journal().recordCount(), 0);
    EXPECT_FALSE(journal().updatesPending());
    lock.rollback();
    page().institutionList.locate("COD_LPU", 1);
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Без строк"));
    EXPECT_EQ(dialogs_.messages.size(), 4u);
}

TEST_F(JournalTest, ClosingSavesEditsOrLetsTheUserChoose) {
    ui::DatasetModel* model = page().journalGrid->datasetModel();
    model->setData(model->index(0, 4), QStringLiteral("При выходе"), Qt::EditRole);
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set FAM = FAM where N_ISSLED = 1");

    dialogs_.answers = {QMessageBox::No};  // stay
    form().exitAction->trigger();
    EXPECT_TRUE(form().isVisible());
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Закрыть программу")));
    EXPECT_TRUE(journal().updatesPending()) << "the edits are kept";

    dialogs_.answers = {QMessageBox::Yes};  // close without them
    form().exitAction->trigger();
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(labData().mainConnection.isOpen());
    lock.rollback();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Без строк"));
}

TEST_F(JournalTest, TheTypeSelectorIsClearedByTheKeyboard) {
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace}) {
        page().typeSelector->setKeyValue(1);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(page().typeSelector, &press);
        EXPECT_TRUE(page().typeSelector->keyValue().isNull());
        EXPECT_EQ(session().investigationType, 0);
        EXPECT_EQ(journal().recordCount(), 4) << "all types";
    }
}

TEST_F(JournalTest, TheMenuBarOpensWithF10AndWithAltAndEachUnderlinedLetter) {
    MainWindow& window = form();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QMenuBar* bar = window.menuBar();
    auto openedMenu = [&]() -> QString {
        QWidget* popup = QApplication::activePopupWidget();
        auto* menu = qobject_cast<QMenu*>(popup);
        return menu ? menu->title().remove(u'&') : QString();
    };
    auto closeMenus = [&] {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        bar->setActiveAction(nullptr);
    };
    QTest::keyClick(page().journalGrid, Qt::Key_F10);
    EXPECT_EQ(openedMenu(), QStringLiteral("Пациенты"));
    closeMenus();
    const std::pair<QChar, const char*> mnemonics[] = {
        {u'П', "Пациенты"}, {u'С', "Справочники"}, {u'О', "Отчеты"}};
    for (const auto& [letter, title] : mnemonics) {
        // A Cyrillic key, as a Russian keyboard layout gives it.
        for (auto action : {QTest::Press, QTest::Release})
            QTest::sendKeyEvent(action, page().journalGrid, Qt::Key(letter.unicode()),
                                QString(letter.toLower()), Qt::AltModifier);
        EXPECT_EQ(openedMenu(), QString::fromUtf8(title)) << title;
        closeMenus();
    }
    QStringList underlined;
    for (QAction* a : bar->actions()) underlined << QKeySequence::mnemonic(a->text()).toString();
    EXPECT_EQ(underlined, (QStringList{"Alt+П", "Alt+С", "Alt+О", "Alt+В"}))
        << "every caption has a letter of its own";
}

TEST_F(JournalTest, AnInstitutionNameCutInTheListReadsWholeAsATooltip) {
    const QString longName =
        QStringLiteral("ГБУЗ Областная клиническая больница им. Середавина");
    db_->exec("update SP_LPU set NAME = :name where COD_LPU = 2", {{"name", longName}});
    page().rereadAfterDirectoryChange(true);
    ui::DbGrid* list = page().institutionGrid;
    int longRow = -1, shortRow = -1;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        (list->model()->index(r, 0).data().toString() == longName ? longRow : shortRow) = r;
    ASSERT_GE(longRow, 0);
    ASSERT_GE(shortRow, 0);
    EXPECT_EQ(testing_support::tooltipOfCell(list, longRow, 0), longName);
    EXPECT_EQ(testing_support::tooltipOfCell(list, shortRow, 0), QString());
}

TEST_F(JournalTest, DoubleClickOnAnEmptyJournalSaysThereIsNoRecord) {
    page().periodFrom->setDate(QDate(2026, 12, 10));
    emit page().periodFrom->editingFinished();
    ASSERT_EQ(journal().recordCount(), 0);
    dialogs_.onModal = [](QDialog*) {
        ADD_FAILURE() << "the card opened";
        return 0;
    };
    QWidget* viewport = page().journalGrid->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(dialogs_.texts(),
              QStringList{QStringLiteral("В журнале нет записей: результаты вводить некуда.")});
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 3);
}

TEST_F(JournalTest, PrintingDropDownAndTheGridMenuOfferThePrintCommands) {
    QMenu* menu = page().printButton->menu();
    ASSERT_TRUE(menu);
    QStringList captions;
    for (QAction* a : menu->actions()) {
        captions << a->text();
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Печать результатов анализа"),
                                     QStringLiteral("Просмотр результатов анализа"),
                                     QStringLiteral("Печать всех результатов")}));
    QStringList gridCaptions;
    for (QAction* a : page().journalMenu->actions())
        if (!a->isSeparator()) gridCaptions << a->text();
    EXPECT_EQ(gridCaptions, (QStringList{QStringLiteral("Ввод результатов"),
                                         QStringLiteral("Копировать данные пациента"),
                                         QStringLiteral("Печать результатов анализа"),
                                         QStringLiteral("Печать всех результатов"),
                                         QStringLiteral("История изменений")}));
}

TEST_F(JournalTest, DatesAndTitlesFitTheirColumnsWhateverTheLocale) {
    ui::DbGrid* grid = page().journalGrid;
    ui::DatasetModel* model = grid->datasetModel();
    const QFontMetrics text(grid->font());
    const QFontMetrics titles(grid->horizontalHeader()->font());
    for (int c = 0; c < model->columnCount(); ++c) {
        if (grid->isColumnHidden(c)) continue;
        const QString title = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_GE(grid->columnWidth(c), titles.horizontalAdvance(title)) << title.toStdString();
    }
    const int dateColumn = 8;  // "Дата взятия анализа"
    const QString shown = model->data(model->index(0, dateColumn), Qt::DisplayRole).toString();
    EXPECT_EQ(shown, "09.12.2026");
    EXPECT_GE(grid->columnWidth(dateColumn), text.horizontalAdvance(shown));
    EXPECT_EQ(page().periodFrom->text(), "09.12.2026");
    grid->edit(model->index(0, dateColumn));
    QLineEdit* editor = nullptr;
    for (auto* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    ASSERT_TRUE(editor) << "a date cell is edited as text";
    EXPECT_EQ(editor->text(), "09.12.2026");
}

}  // namespace
namespace {

TEST_F(JournalTest, BackspaceStepsBackOverARefusedDateForItsCorrection) {
    QDateEdit* picker = page().periodTo;
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Home);
    QTest::keyClicks(picker, "3102");
    QTest::keyClick(picker, Qt::Key_Return);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    // The cursor stands after "31.02"; two steps back and the month is typed anew.
    QTest::keyClick(picker, Qt::Key_Backspace);
    QTest::keyClick(picker, Qt::Key_Backspace);
    EXPECT_EQ(dialogs_.messages.size(), 1u) << "stepping back refuses nothing";
    QTest::keyClicks(picker, "03");
    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(picker->date(), QDate(2026, 3, 31));
    // Everything selected and deleted, a whole new date typed.
    picker->findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(picker, Qt::Key_Delete);
    QTest::keyClicks(picker, "01042026");
    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(picker->date(), QDate(2026, 4, 1));
    EXPECT_EQ(journal().param("d2").toDate(), QDate(2026, 4, 1));
}

TEST_F(JournalTest, TabTakesATypedDateAndKeepsAnImpossibleOneForCorrection) {
    QDateEdit* picker = page().periodTo;
    QApplication::setActiveWindow(&form());
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Home);
    QTest::keyClicks(picker, "31122026");
    QTest::keyClick(picker, Qt::Key_Tab);
    EXPECT_EQ(picker->date(), QDate(2026, 12, 31));
    EXPECT_TRUE(dialogs_.messages.empty());
    QTest::keyClick(picker, Qt::Key_Home);
    QTest::keyClicks(picker, "3111");
    QTest::keyClick(picker, Qt::Key_Tab);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(picker->text(), "31.11.2026");
    EXPECT_EQ(picker->date(), QDate(2026, 12, 31));
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_EQ(picker->text(), "31.12.2026") << "Escape goes back to the date before the typing";
    EXPECT_TRUE(picker->isVisible());
}

}  // namespace
