#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "card/research_card.h"
#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "reports/office/memory_office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_lookup_combo.h"

namespace {

// Type 1 with three indicators (results on two of them for record 1), type 2 with one, type 3
// with no template; the records of 9 December 2026 at institution 1.
QStringList documentsFixture() {
    return {
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')",
        "insert into SP_VR (COD_VR, FIO) values (1, 'Белов')",
        "insert into SP_VR (COD_VR, FIO) values (2, 'Зайцева')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (1, 'ИФА ВИЧ', 1, "
        "'ИФА.xlt')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (2, 'Иммуноблот', 2, "
        "'Формы\\Блот.xlt')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (3, 'Без шаблона', 3, null)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values (20, 'Антитела', "
        "'', 'отр')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (22, 'p24')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (23, 'gp41')",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 3)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 1, 22, 2)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (4, 2, 23, 1)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_VR, DAT_ISSLED, FAM, IMJA, NPP, "
        "NOM) values (1, 1, 1, 1, '2026-12-09', 'Иванов', 'Пётр', 1, 501)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (2, 1, 1, "
        "'2026-12-09', 'Петров', 2)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (3, 1, 1, "
        "'2026-12-09', 'Сидоров', 3)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (4, 2, 1, "
        "'2026-12-09', 'Блотов', 4)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (5, null, "
        "1, '2026-12-09', 'Безтипов', 5)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 1, '+')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (21, 1, 1, "
        "'1:40')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (22, 1, 1)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (23, 2, 4, 'пол')",
        "set generator GEN_ISSLED_ID to 100"};
}

class PatientDocumentsTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        // Templates lie in the working folder, as the laboratory keeps them.
        ASSERT_TRUE(folder_.isValid());
        QDir(folder_.path()).mkpath("Формы");
        for (const char* name :
             {"ИФА.xlt", "Формы/Блот.xlt", "Донесение.xlt", "Направление_на_ИФА_ВИЧ.xlt"}) {
            QFile file(QDir(folder_.path()).filePath(QString::fromUtf8(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        previous_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
        office::setOffice(&memory_);
        start(documentsFixture());
        // The journal opened on type 1 (whose template it keeps) and now shows every type.
        page().typeSelector->setKeyValue(QVariant());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        office::setOffice(nullptr);
        QDir::setCurrent(previous_);
    }

    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    ResearchCard& card() { return *(*program_)->researchCard; }
    data::Dataset& journal() { return labData().journal; }
    QString templateAt(const char* name) {
        return QDir(folder_.path()).filePath(QString::fromUtf8(name));
    }
    void select(int key) { ASSERT_TRUE(journal().locate("N_ISSLED", key)) << key; }
    // Runs a card command on a record of the journal, as the user would from the card.
    void inCard(int key, const std::function<void()>& command) {
        select(key);
        dialogs_.whileShown([&] { page().enterResultsAction->trigger(); },
                            [&](QDialog*) { command(); });
    }

    QTemporaryDir folder_;
    QString previous_;
    office::MemoryOffice memory_;
};

TEST_F(PatientDocumentsTest, CardPrintsTheSheetUnseenAfterSavingTheRecord) {
    inCard(1, [&] {
        card().doctorSelector->setFocus();
        QTest::keyClick(card().doctorSelector, Qt::Key_Down);  // from Белов to Зайцева
        card().printResultButton->click();
    });
    EXPECT_EQ(db_->scalar("select COD_VR from ISSLED where N_ISSLED = 1").toInt(), 2)
        << "saved first";
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& sheet = *memory_.sheets[0];
    EXPECT_EQ(sheet.templatePath, templateAt("ИФА.xlt"));
    EXPECT_EQ(sheet.text(2, 1), "КДЛ");
    EXPECT_EQ(sheet.text(8, 9), "ИФА ВИЧ");
    EXPECT_EQ(sheet.text(8, 4), "501");
    EXPECT_EQ(sheet.text(18, 1), "Антитела");
    EXPECT_EQ(sheet.text(18, 22), "+");
    EXPECT_EQ(sheet.text(18, 40), "отр");
    EXPECT_EQ(sheet.text(19, 1), "КП") << "in the type's order, empty results skipped";
    EXPECT_EQ(sheet.text(19, 22), "1:40");
    EXPECT_EQ(sheet.text(22, 22), "Подпись ____________ Зайцева") << "the name just chosen";
    EXPECT_EQ(sheet.printed, 1);
    EXPECT_FALSE(sheet.shown);
    EXPECT_TRUE(sheet.closed);
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(session().resultOutput, ResultOutput::Print);
}

// The results follow the type's composition (20, 22, 21), not the order of their keys or of
// their rows (20, 21, 22).
TEST_F(PatientDocumentsTest, TheSheetListsTheResultsInTheTypesOrder) {
    db_->exec("update LAB_ISSL_BOL set RESULT = 'отр' where N_ISSLED = 1 and N_PRLAB = 22");
    inCard(1, [&] { card().printResultButton->click(); });
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& sheet = *memory_.sheets[0];
    EXPECT_EQ((QStringList{sheet.text(18, 1), sheet.text(19, 1), sheet.text(20, 1)}),
              (QStringList{"Антитела", "p24", "КП"}));
    EXPECT_EQ((QStringList{sheet.text(18, 22), sheet.text(19, 22), sheet.text(20, 22)}),
              (QStringList{"+", "отр", "1:40"}));
}

TEST_F(PatientDocumentsTest, ShownSheetIsClosedOnOkAndLeftOpenOtherwise) {
    select(1);
    page().viewResultAction->trigger();
    dialogs_.okAnswers = {false};
    page().viewResultAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 2u);
    EXPECT_TRUE(memory_.sheets[0]->shown);
    EXPECT_TRUE(memory_.sheets[0]->closed);
    EXPECT_EQ(memory_.sheets[0]->printed, 0);
    EXPECT_TRUE(memory_.sheets[1]->shown);
    EXPECT_FALSE(memory_.sheets[1]->closed) << "the user keeps it";
    EXPECT_EQ(dialogs_.texts(), (QStringList{"Закрыть EXCEL?", "Закрыть EXCEL?"}));
    EXPECT_EQ(session().resultOutput, ResultOutput::Show);
}

TEST_F(PatientDocumentsTest, ARecordPrintsWithItsOwnTypesTemplateAndName) {
    select(4);
    page().printResultAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    EXPECT_EQ(memory_.sheets[0]->templatePath, templateAt("Формы/Блот.xlt"))
        << "a backslash of the stored name separates folders";
    EXPECT_EQ(memory_.sheets[0]->text(8, 9), "Иммуноблот");
    EXPECT_EQ(memory_.sheets[0]->text(18, 1), "gp41");
    EXPECT_EQ(db_->scalar("select SHABLON from SP_TARVIK where N_LISSL = 2").toString(),
              "Формы\\Блот.xlt")
        << "the stored name stays as it was";
}

TEST_F(PatientDocumentsTest, ARecordWithoutATypePrintsItsHeaderOnly) {
    // Such a record is reached through the search; the journal's last type gives the template.
    SearchPage& search = *form().searchPage;
    form().findPatientAction->trigger();
    search.findButton->click();
    ASSERT_TRUE(search.found.locate("N_ISSLED", 5));
    dialogs_.whileShown([&] { search.openFoundRecord(); },
                        [&](QDialog*) { card().printResultButton->click(); });
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    EXPECT_EQ(memory_.sheets[0]->templatePath, templateAt("ИФА.xlt"));
    EXPECT_EQ(memory_.sheets[0]->text(11, 9), "Безтипов  ");
    EXPECT_TRUE(memory_.sheets[0]->text(8, 9).isEmpty());
    EXPECT_EQ(memory_.sheets[0]->text(20, 1), "Дата выдачи ");
    EXPECT_EQ(memory_.sheets[0]->printed, 1);
}

TEST_F(PatientDocumentsTest, ATypeWithoutATemplateSaysSoAndMakesNothing) {
    db_->exec("update ISSLED set N_LISSL = 3 where N_ISSLED = 2");
    page().reloadForPeriod();
    select(2);
    page().printResultAction->trigger();
    inCard(2, [&] { card().viewResultAction->trigger(); });
    EXPECT_EQ(dialogs_.texts(), (QStringList{"Не задан шаблон", "Не задан шаблон"}));
    EXPECT_TRUE(memory_.sheets.empty());
}

TEST_F(PatientDocumentsTest, PrintAllGivesOneSheetPerRecordAndReturnsToTheFirst) {
    select(3);
    page().printAllResultsAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 4u);
    QStringList names;
    for (const auto& sheet : memory_.sheets) {
        names << sheet->text(11, 9).trimmed();
        EXPECT_EQ(sheet->printed, 1);
        EXPECT_TRUE(sheet->closed);
    }
    EXPECT_EQ(names, (QStringList{"Иванов Пётр", "Петров", "Сидоров", "Блотов"}));
    EXPECT_EQ(memory_.sheets[3]->templatePath, templateAt("Формы/Блот.xlt")) << "its own type";
    EXPECT_EQ(journal().currentRow(), 0);
}

TEST_F(PatientDocumentsTest, AFailureClosesTheHalfFilledSheetAndStopsOnItsRecord) {
    memory_.printerMissing = true;
    select(2);
    page().printAllResultsAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u) << "the first record's failure stops the run";
    EXPECT_TRUE(memory_.sheets[0]->closed);
    EXPECT_EQ(dialogs_.texts(), QStringList{"Принтер не найден."});
    EXPECT_EQ(journal().value("N_ISSLED").toInt(), 1);

    memory_.printerMissing = false;
    memory_.failingRow = 11;
    dialogs_.messages.clear();
    inCard(1, [&] { card().printResultButton->click(); });
    ASSERT_EQ(memory_.sheets.size(), 2u);
    EXPECT_TRUE(memory_.sheets[1]->closed);
    EXPECT_EQ(memory_.sheets[1]->printed, 0);
    EXPECT_EQ(dialogs_.texts(), QStringList{"Запись в строку 11 не удалась."});
}

TEST_F(PatientDocumentsTest, AMissingTemplateIsAnErrorNamingIt) {
    QFile::remove(templateAt("ИФА.xlt"));
    select(1);
    page().printResultAction->trigger();
    ASSERT_EQ(dialogs_.texts().size(), 1);
    EXPECT_TRUE(dialogs_.texts()[0].contains(templateAt("ИФА.xlt")))
        << dialogs_.texts()[0].toStdString();
    EXPECT_TRUE(memory_.sheets.empty());
}

TEST_F(PatientDocumentsTest, FixedFormsAreAlwaysShownAndAsked) {
    dialogs_.okAnswers = {true, false};
    inCard(1, [&] {
        card().printNotificationAction->trigger();
        card().printReferralAction->trigger();
    });
    ASSERT_EQ(memory_.sheets.size(), 2u);
    const office::MemorySheet& notification = *memory_.sheets[0];
    EXPECT_EQ(notification.templatePath, templateAt("Донесение.xlt"));
    EXPECT_EQ(notification.text(12, 9), "Иванов");
    EXPECT_EQ(notification.text(28, 1), "Антитела");
    EXPECT_EQ(notification.text(29, 22), "1:40");
    EXPECT_TRUE(notification.text(31, 1).startsWith("Выявленные белки"));
    EXPECT_TRUE(notification.shown);
    EXPECT_TRUE(notification.closed);
    const office::MemorySheet& referral = *memory_.sheets[1];
    EXPECT_EQ(referral.templatePath, templateAt("Направление_на_ИФА_ВИЧ.xlt"));
    EXPECT_EQ(referral.text(15, 15), "Иванов Пётр ");
    EXPECT_EQ(referral.text(37, 3), "09.12.2026");
    EXPECT_TRUE(referral.shown);
    EXPECT_FALSE(referral.closed);
    EXPECT_EQ(dialogs_.texts(), (QStringList{"Закрыть EXCEL?", "Закрыть EXCEL?"}));
}

TEST_F(PatientDocumentsTest, EveryDocumentIsArchivedBeforeItIsIssued) {
    QTemporaryDir archive;
    session().documentArchive = archive.filePath("копии");
    select(1);
    page().printResultAction->trigger();
    inCard(4, [&] { card().printNotificationAction->trigger(); });
    ASSERT_EQ(memory_.sheets.size(), 2u);
    ASSERT_EQ(memory_.sheets[0]->copies.size(), 1);
    EXPECT_TRUE(QDir(archive.filePath("копии")).exists()) << "made when missing";
    EXPECT_TRUE(memory_.sheets[0]->copies[0].startsWith(archive.filePath("копии") + "/"));
    EXPECT_TRUE(memory_.sheets[0]->copies[0].endsWith("_result_1"));
    EXPECT_TRUE(memory_.sheets[1]->copies[0].endsWith("_notification_4"));

    // The same record twice within a second: two copies, neither lost.
    select(1);
    page().printResultAction->trigger();
    page().printResultAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 4u);
    EXPECT_NE(memory_.sheets[2]->copies[0], memory_.sheets[3]->copies[0]);
    EXPECT_EQ(QDir(archive.filePath("копии")).entryList({"*_result_1*.pdf"}).size(), 3)
        << QDir(archive.filePath("копии")).entryList().join(" ").toStdString();

    session().documentArchive.clear();
    page().printResultAction->trigger();
    EXPECT_TRUE(memory_.sheets[4]->copies.isEmpty());
}

}  // namespace
