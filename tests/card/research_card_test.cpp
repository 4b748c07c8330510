#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "card/research_card.h"
#include "data/clock.h"
#include "data/session.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::Program;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

class CardTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(QStringList{
            "insert into RECV_ST (COD) values (1)",
            "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM) values (20, 'Антитела', null)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM) values (21, 'КП', 'ОП/КО')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 21, 2)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 20, 1)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA) values (1, 1, "
            "1, '2026-12-09', 'Иванов', 'Иван')",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED) values (2, 1, 1, "
            "'2026-12-09')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (1, 21, "
            "1, 1, '0,2')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (2, 20, 1, 1)"});
    }
    void TearDown() override {
        if (card().isVisible()) {
            dialogs_.answers.push_back(QMessageBox::No);
            card().hide();
        }
        ProgramTest::TearDown();
    }

    ResearchCard& card() { return *(*program_)->researchCard; }
    data::Dataset& record() { return (*program_)->labData->card; }
    void open(int key) {
        session().investigationKey = key;
        card().show();
        card().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&card()));
    }
    void typeResult(int row, const QString& text) {
        ui::DatasetModel* model = card().resultsGrid->datasetModel();
        ASSERT_TRUE(model->setData(model->index(row, 1), text, Qt::EditRole));
    }
    void type(QLineEdit* edit, const QString& text) { testing_support::typeText(edit, text); }
};

TEST_F(CardTest, ShowsTheRecordAndItsResultsInCompositionOrder) {
    open(1);
    EXPECT_EQ(card().surnameEdit->text(), QStringLiteral("Иванов"));
    EXPECT_EQ(card().institutionSelector->currentText(), QStringLiteral("Амбулатория"));
    EXPECT_EQ(card().samplingDateEdit->text(), "09.12.2026");
    ui::DatasetModel* results = card().resultsGrid->datasetModel();
    ASSERT_EQ(results->rowCount(), 2);
    EXPECT_EQ(results->data(results->index(0, 0), Qt::DisplayRole).toString(),
              QStringLiteral("Антитела"));
    EXPECT_EQ(results->data(results->index(1, 1), Qt::DisplayRole).toString(), "0,2");
    EXPECT_EQ(results->data(results->index(1, 2), Qt::DisplayRole).toString(),
              QStringLiteral("ОП/КО"));
    EXPECT_FALSE(results->flags(results->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(results->flags(results->index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(CardTest, RecordWithoutResultRowsShowsAnEmptyGrid) {
    dialogs_.answers = {QMessageBox::No};
    open(2);
    EXPECT_EQ(card().resultsGrid->datasetModel()->rowCount(), 0);
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL where N_ISSLED = 2").toInt(), 0);
}

TEST_F(CardTest, SaveWritesResultsAndRecord) {
    open(1);
    typeResult(0, QStringLiteral("отрицательно"));
    type(card().patronymicEdit, QStringLiteral("Иванович"));
    card().saveRecord();
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 2").toString(),
              QStringLiteral("отрицательно"));
    EXPECT_EQ(db_->scalar("select OTCH from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванович"));
    EXPECT_TRUE(card().isVisible()) << "the card stays open after saving";
}

TEST_F(CardTest, ANumberFieldRefusesAWordByItsCaption) {
    open(1);
    type(card().uniqueNumberEdit, QStringLiteral("сто"));
    card().uniqueNumberEdit->flush();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("«сто» не является целым числом (поле «Уник.№»)."));
    EXPECT_TRUE(card().uniqueNumberEdit->text().isEmpty()) << "the field shows what it holds";
    EXPECT_TRUE(record().value("NOM").isNull());
}

TEST_F(CardTest, ResultsAreWrittenBeforeTheRecord) {
    // A rule of this test's database marks the record when, at its update, the result is there.
    {
        auto c = db_->connect();
        db::Transaction tr(*c, db::kSnapshotWaiting);
        db::executeRaw(tr,
                       "create trigger ISSLED_ORDER_PROBE for ISSLED before update as begin "
                       "if (exists(select 1 from LAB_ISSL_BOL where N_ISSLED = new.N_ISSLED and "
                       "RESULT = 'маркер')) "
                       "then new.NOM_KART = 'после результатов'; end");
        tr.commit();
    }
    open(1);
    typeResult(0, QStringLiteral("маркер"));
    type(card().patronymicEdit, QStringLiteral("Иванович"));
    card().saveRecord();
    EXPECT_EQ(db_->scalar("select NOM_KART from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("после результатов"));
}

TEST_F(CardTest, FailedSaveKeepsWhatWasTypedAndWritesNothing) {
    open(1);
    typeResult(0, QStringLiteral("положительно"));
    type(card().patronymicEdit, QStringLiteral("Петрович"));
    // Another workstation holds the record: the results go first and are rolled back with it.
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set NPP = 5 where N_ISSLED = 1");
    QPushButton* save = card().saveButton;
    save->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains("lock conflict") ||
                dialogs_.messages[0].text.contains("deadlock"))
        << dialogs_.messages[0].text.toStdString();
    EXPECT_TRUE(db_->scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 2").isNull());
    EXPECT_EQ(card().patronymicEdit->text(), QStringLiteral("Петрович"));
    EXPECT_EQ(card().resultsGrid->datasetModel()->data(
                  card().resultsGrid->datasetModel()->index(0, 1), Qt::DisplayRole),
              QStringLiteral("положительно"));
    lock.rollback();
    save->click();
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 2").toString(),
              QStringLiteral("положительно"));
    EXPECT_EQ(db_->scalar("select OTCH from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Петрович"));
}

TEST_F(CardTest, ExitLosesUnsavedResults) {
    open(1);
    typeResult(1, QStringLiteral("9,9"));
    card().exitButton->click();
    EXPECT_FALSE(card().isVisible());
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").toString(), "0,2");
    open(1);
    EXPECT_EQ(card().resultsGrid->datasetModel()->data(
                  card().resultsGrid->datasetModel()->index(1, 1), Qt::DisplayRole),
              "0,2");
}

TEST_F(CardTest, CancelDiscardsRecordAndResults) {
    open(1);
    typeResult(1, QStringLiteral("9,9"));
    type(card().surnameEdit, QStringLiteral("Другой"));
    card().cancelButton->click();
    EXPECT_FALSE(card().isVisible());
    EXPECT_FALSE(record().updatesPending());
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов"));
}

TEST_F(CardTest, NamelessRecordAsksToBeDeletedOnClose) {
    dialogs_.answers = {QMessageBox::No};
    open(2);
    card().exitButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("Отсутствует фамилия, имя, отчество \r удалить запись?"));
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 2").toInt(), 1);

    dialogs_.answers = {QMessageBox::Yes};
    open(2);
    card().close();
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 2").toInt(), 0);

    // A name typed but not saved still counts: no question.
    open(1);
    type(card().surnameEdit, QStringLiteral(" "));
    card().capitalizeNames();
    card().close();
    EXPECT_EQ(dialogs_.messages.size(), 2u);
}

TEST(CardNames, AreTrimmedAndCapitalised) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("  иванов"), QStringLiteral("Иванов")},
        {QStringLiteral("ИВАНОВ"), QStringLiteral("ИВАНОВ")},
        {QStringLiteral("иВанов-петров "), QStringLiteral("ИВанов-петров")},
        {QStringLiteral("ёлкин"), QStringLiteral("Ёлкин")},
        {QStringLiteral("\tmüller\n"), QStringLiteral("Müller")},
        {QStringLiteral("   "), QString()},
        {QStringLiteral("я"), QStringLiteral("Я")},
        {QString(40, u'ж'), QStringLiteral("Ж") + QString(30, u'ж')},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(ResearchCard::capitalizedName(input), expected) << input.toStdString();
}

TEST_F(CardTest, LeavingANameEditCapitalisesAllThree) {
    open(1);
    type(card().surnameEdit, QStringLiteral("  сидоров"));
    type(card().firstNameEdit, QStringLiteral("пётр"));
    card().patronymicEdit->setFocus();  // leaving "Имя" runs the handler
    EXPECT_EQ(record().value("FAM").toString(), QStringLiteral("Сидоров"));
    EXPECT_EQ(record().value("IMJA").toString(), QStringLiteral("Пётр"));
    EXPECT_EQ(card().surnameEdit->text(), QStringLiteral("Сидоров"));
}

TEST(CardAge, BirthDateFromYearsAndMonths) {
    const QDate today(2024, 4, 15);
    EXPECT_EQ(ResearchCard::birthDateFromAge("30", "5", today), QDate(1993, 11, 1));
    EXPECT_EQ(ResearchCard::birthDateFromAge("30", "2", today), QDate(1994, 2, 1));
    EXPECT_EQ(ResearchCard::birthDateFromAge("30", "", today), QDate(1994, 4, 1));
    EXPECT_EQ(ResearchCard::birthDateFromAge("", "4", today), QDate(2023, 12, 1))
        << "the year changes only by the borrow";
    EXPECT_EQ(ResearchCard::birthDateFromAge("", "3", today), QDate(2024, 1, 1));
    EXPECT_EQ(ResearchCard::birthDateFromAge("", "15", today), QDate(2023, 1, 1));
    for (const auto& [years, months, field] :
         {std::tuple{"3a", "", "Лет"}, std::tuple{"", "x", "Мес"}, std::tuple{"", "16", "мес"}}) {
        try {
            ResearchCard::birthDateFromAge(years, months, today);
            ADD_FAILURE() << years << "/" << months;
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(field)))
                << e.message().toStdString();
        }
    }
}

TEST_F(CardTest, AgeButtonSetsBirthDateAndAgeOrChangesNothing) {
    data::clock::setToday(QDate(2024, 4, 15));
    open(1);
    card().birthDateFromAgeButton->click();
    EXPECT_TRUE(record().value("DAT_R").isNull()) << "both fields empty";
    card().ageYearsEdit->setText("30");
    card().ageMonthsEdit->setText("5");
    card().birthDateFromAgeButton->click();
    EXPECT_EQ(record().value("DAT_R").toDate(), QDate(1993, 11, 1));
    EXPECT_EQ(record().value("VOZR").toInt(), 30);
    EXPECT_EQ(card().birthDateEdit->text(), "01.11.1993");
    card().ageMonthsEdit->setText("пять");
    card().birthDateFromAgeButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(record().value("DAT_R").toDate(), QDate(1993, 11, 1));
    card().exitButton->click();
    open(1);
    EXPECT_TRUE(card().ageYearsEdit->text().isEmpty()) << "emptied on every showing";
}

TEST_F(CardTest, AnImpossibleBirthDateIsRefusedNamingTheFieldAndKeptForCorrection) {
    open(1);
    QLineEdit* edit = card().birthDateEdit;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "31021990");
    card().saveButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("«31.02.1990» не является датой")))
        << dialogs_.messages[0].text.toStdString();
    EXPECT_EQ(edit->text(), "31.02.1990") << "the typing stays for correction";
    EXPECT_TRUE(db_->scalar("select DAT_R from ISSLED where N_ISSLED = 1").isNull());
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, "28");
    card().saveButton->click();
    EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(db_->scalar("select DAT_R from ISSLED where N_ISSLED = 1").toDate(),
              QDate(1990, 2, 28));
}

TEST_F(CardTest, ALineBreakOrTabPastedIntoAOneLineFieldIsStoredAsOneBlank) {
    open(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("Иванов\r\nПетров"));
    card().surnameEdit->setFocus();
    card().surnameEdit->selectAll();
    QTest::keyClick(card().surnameEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(card().surnameEdit->text(), QStringLiteral("Иванов Петров")) << "as it shows";
    QLineEdit* cell = testing_support::typeIntoCell(card().resultsGrid, 0, 1, QString());
    ASSERT_NE(cell, nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("слабо\tположительно\n"));
    QTest::keyClick(cell, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell->text(), QStringLiteral("слабо положительно "));
    card().saveButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов Петров"));
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_PRLAB = 20 and N_ISSLED = 1")
                  .toString(),
              QStringLiteral("слабо положительно "));
}

TEST_F(CardTest, ALongIndicatorNameGetsTheRoomTheUnitLeavesAndReadsWholeAsATooltip) {
    const QString longName = QStringLiteral("Антитела к ВИЧ 1 и 2 типов и антиген p24");
    db_->exec("update SP_PRIZ_LAB_ISSL set NAME = :name where N_PRLAB = 20", {{"name", longName}});
    open(1);
    ui::DbGrid* grid = card().resultsGrid;
    grid->show();
    EXPECT_GT(grid->columnWidth(0), 2 * grid->columnWidth(2))
        << "the short units leave their room to the names";
    int longRow = -1, shortRow = -1;
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        const QString name = grid->model()->index(r, 0).data().toString();
        if (name == longName) longRow = r;
        if (name == QStringLiteral("КП")) shortRow = r;
    }
    ASSERT_GE(longRow, 0);
    ASSERT_GE(shortRow, 0);
    EXPECT_EQ(testing_support::tooltipOfCell(grid, longRow, 0), longName) << "a cut name reads whole";
    EXPECT_EQ(testing_support::tooltipOfCell(grid, shortRow, 0), QString()) << "a name that fits has none";
}

TEST_F(CardTest, ResultsGridWidensWhileItHasTheFocus) {
    open(1);
    card().resultsGrid->setFocus();
    EXPECT_EQ(card().resultsGrid->geometry(), QRect(377, 4, 634, 505));
    card().surnameEdit->setFocus();
    EXPECT_EQ(card().resultsGrid->geometry(), QRect(637, 4, 373, 505));
}

TEST_F(CardTest, MinimisedAndRestoredTheCardKeepsWhatWasTyped) {
    open(1);
    type(card().surnameEdit, QStringLiteral("Петров"));
    testing_support::typeIntoCell(card().resultsGrid, 0, 1, QStringLiteral("пол"));
    card().showMinimized();
    QTest::qWait(20);
    card().showNormal();
    card().activateWindow();
    QTest::qWait(20);
    EXPECT_EQ(card().surnameEdit->text(), QStringLiteral("Петров"));
    card().saveButton->click();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Петров"));
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_PRLAB = 20 and N_ISSLED = 1")
                  .toString(),
              QStringLiteral("пол"))
        << "the open cell editor is saved too";
}

TEST_F(CardTest, AnAgeBeforeYearOneIsRefusedAndNothingIsStored) {
    data::clock::setToday(QDate(2024, 4, 15));
    open(1);
    card().ageYearsEdit->setText("2025");  // the year -1
    card().birthDateFromAgeButton->click();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("нельзя получить дату")));
    EXPECT_TRUE(record().value("DAT_R").isNull());
    EXPECT_FALSE(record().updatesPending());
}

TEST_F(CardTest, ARecordDeletedElsewhereCannotBeTypedIntoOrRecreated) {
    db_->exec("delete from ISSLED where N_ISSLED = 2");
    open(2);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Запись не найдена")));
    EXPECT_TRUE(card().surnameEdit->isReadOnly());
    type(card().surnameEdit, QStringLiteral("Призрак"));
    card().ageYearsEdit->setText("30");
    card().birthDateFromAgeButton->click();
    card().saveButton->click();
    EXPECT_FALSE(record().updatesPending());
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 1) << "no ghost record";
}

}  // namespace
