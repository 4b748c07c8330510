#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>

#include "data/lab_data.h"
#include "db/decimal.h"
#include "directories/directory_window.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "reports/grid_export.h"
#include "reports/journal_reports.h"
#include "reports/office/memory_office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using office::CellRange;
using reports::JournalSelection;
using reports::PeriodRecord;
using reports::PeriodRecords;

namespace {

// ---- placement, on the in-memory office ---------------------------------------------------

PeriodRecords periodWith(int indicators, int records) {
    PeriodRecords period;
    for (int i = 1; i <= indicators; ++i) period.indicators << QStringLiteral("П%1").arg(i);
    for (int r = 1; r <= records; ++r) {
        PeriodRecord record;
        record.byName.columns = {{"NOM", QString::number(100 + r)},
                                 {"FAM", "Петрова"},
                                 {"IMJA", "Анна"},
                                 {"OTCH", "Викторовна"},
                                 {"DAT_R", "01.02.1990"},
                                 {"DAT_ISSLED", "08.12.2026"}};
        for (int i = 1; i <= indicators; ++i)
            record.results << QStringLiteral("р%1.%2").arg(r).arg(i);
        period.records << record;
    }
    return period;
}

JournalSelection december() {
    return {1, "ИФА ВИЧ", "Больница", QDate(2026, 12, 1), QDate(2026, 12, 9)};
}

struct Split {
    int indicators;
    int firstColumns;
    int secondColumns;  // 0: one table
};

void PrintTo(const Split& c, std::ostream* os) {
    *os << c.indicators << " indicators, " << c.firstColumns << " + " << c.secondColumns
        << " columns";
}

class ResultsJournalSplit : public ::testing::TestWithParam<Split> {};

TEST_P(ResultsJournalSplit, PutsEveryIndicatorIntoExactlyOneTable) {
    const Split split = GetParam();
    office::MemoryOffice memory;
    {
        auto document = memory.newTextDocument();
        reports::fillResultsJournal(*document, december(), periodWith(split.indicators, 2));
    }
    const office::MemoryTextDocument& doc = *memory.textDocuments[0];
    EXPECT_TRUE(doc.landscape);
    ASSERT_GE(doc.paragraphs.size(), 2);
    EXPECT_EQ(doc.paragraphs[0].text, "ИФА ВИЧ    ЛПУ - Больница");
    EXPECT_EQ(doc.paragraphs[1].text,
              "результаты проведенных исследований за 01.12.2026 - "
              "09.12.2026");
    EXPECT_TRUE(doc.paragraphs[0].bold && doc.paragraphs[0].centered);
    EXPECT_EQ(doc.paragraphs[0].points, 10);
    ASSERT_EQ(doc.tables.size(), split.secondColumns ? 2 : 1);
    const office::MemoryTable& first = doc.tables[0];
    ASSERT_EQ(first.rows.size(), 3);
    EXPECT_EQ(first.rows[0].size(), split.firstColumns);
    EXPECT_EQ(first.rows[0].mid(0, 4), (QStringList{"ID пациента", "Ф.И.О. пациента",
                                                    "Дата рождения", "Дата взятия материала"}));
    EXPECT_EQ(first.rows[1].mid(0, 4),
              (QStringList{"101", "Петрова А.В.", "01.02.1990", "08.12.2026"}));
    QStringList titles = first.rows[0].mid(4);
    QStringList firstResults = first.rows[2].mid(4);
    if (split.secondColumns) {
        const office::MemoryTable& second = doc.tables[1];
        EXPECT_EQ(second.rows[0].size(), split.secondColumns);
        EXPECT_EQ(second.rows[0][0], "Ф.И.О. пациента");
        EXPECT_EQ(second.rows[2][0], "Петрова А.В.") << "its rows follow the first table's";
        titles += second.rows[0].mid(1);
        firstResults += second.rows[2].mid(1);
        EXPECT_TRUE(doc.paragraphs[second.afterParagraph - 2].pageBreakBefore ||
                    doc.paragraphs[second.afterParagraph - 3].pageBreakBefore)
            << "the second table starts a page";
    }
    QStringList expected, results;
    for (int i = 1; i <= split.indicators; ++i) {
        expected << QStringLiteral("П%1").arg(i);
        results << QStringLiteral("р2.%1").arg(i);
    }
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(firstResults, results) << "each result under its own title";
}

INSTANTIATE_TEST_SUITE_P(Table, ResultsJournalSplit,
                         ::testing::Values(Split{1, 5, 0}, Split{20, 24, 0}, Split{21, 12, 14},
                                           Split{30, 17, 18}));

TEST(ResultsJournal, ATypeWithoutIndicatorsGivesTheTitleOnly) {
    office::MemoryOffice memory;
    auto document = memory.newTextDocument();
    reports::fillResultsJournal(*document, december(), periodWith(0, 2));
    EXPECT_TRUE(memory.textDocuments[0]->tables.isEmpty());
    EXPECT_EQ(memory.textDocuments[0]->paragraphs[1].text.left(9), "результат");
}

TEST(ShortName, LeavesOnlyThePointOfAMissingPart) {
    EXPECT_EQ(reports::shortName("Петрова", "Анна", "Викторовна"), "Петрова А.В.");
    EXPECT_EQ(reports::shortName("Петрова", "Анна", ""), "Петрова А..");
    EXPECT_EQ(reports::shortName("Петрова", "", ""), "Петрова ..");
    EXPECT_EQ(reports::shortName("", "", ""), " ..");
}

TEST(TimeText, WritesMinutesAndHoursShortestWithTheDecimalComma) {
    const std::vector<std::pair<QVariant, QString>> cases = {
        {QVariant::fromValue(db::Decimal(4500, 2)), "45мин"},
        {QVariant::fromValue(db::Decimal(5900, 2)), "59мин"},
        {QVariant::fromValue(db::Decimal(6000, 2)), "1ч"},
        {QVariant::fromValue(db::Decimal(6100, 2)), "1ч 1мин"},
        {QVariant::fromValue(db::Decimal(6500, 2)), "1ч 5мин"},
        {QVariant::fromValue(db::Decimal(12500, 2)), "2ч 5мин"},
        {QVariant::fromValue(db::Decimal(13000, 2)), "2ч 10мин"},
        {QVariant::fromValue(db::Decimal(750, 2)), "7,5мин"},
        {QVariant::fromValue(db::Decimal(50, 2)), "0,5мин"},
        {QVariant::fromValue(db::Decimal(6250, 2)), "1ч 2,5мин"},
        {QVariant::fromValue(db::Decimal(725, 2)), "7,25мин"},
        {QVariant::fromValue(db::Decimal(12000, 2)), "2ч"},
        {QVariant::fromValue(db::Decimal(0, 2)), ""},
        {QVariant(), ""},
        {QVariant(7.5), "7,5мин"}};
    for (const auto& [minutes, text] : cases)
        EXPECT_EQ(reports::timeText(minutes), text) << minutes.toString().toStdString();
}

TEST(PeriodReport, PlacesTitlesCountsAndTimes) {
    office::MemoryOffice memory;
    auto sheet = memory.newSpreadsheet();
    QList<int> told;
    reports::fillPeriodReport(
        *sheet, december(),
        {{"Антитела", "", "3", QVariant::fromValue(db::Decimal(4500, 2)), QVariant()},
         {"КП", "титр", "40", QVariant::fromValue(db::Decimal(12500, 2)),
          QVariant::fromValue(db::Decimal(750, 2))}},
        [&](int row) { told << row; });
    const office::MemorySheet& s = *memory.sheets[0];
    EXPECT_EQ(s.text(1, 1), "Отчет за период");
    EXPECT_EQ(s.text(2, 1), " с 01.12.2026 по 09.12.2026");
    EXPECT_EQ(s.text(3, 1), "ИФА ВИЧ");
    EXPECT_EQ(s.text(4, 5), "Время (лаборант)");
    EXPECT_EQ(s.text(5, 4), "45мин");
    EXPECT_EQ(s.text(5, 5), "");
    EXPECT_EQ(s.text(6, 2), "титр");
    EXPECT_EQ(s.text(6, 3), "40");
    EXPECT_EQ(s.text(6, 4), "2ч 5мин");
    EXPECT_EQ(s.text(6, 5), "7,5мин");
    EXPECT_EQ(s.bold, QList<CellRange>{CellRange::of(1, 1, 4, 5)});
    EXPECT_EQ(s.ruled, QList<CellRange>{CellRange::of(4, 1, 6, 5)});
    EXPECT_TRUE(s.autoFitted && s.firstCellSelected);
    EXPECT_EQ(told, (QList<int>{1, 2}));
}

TEST(NamedReport, ShortAndFullPlaceTheirColumnsAndRuleToTheLastIndicator) {
    for (const auto& [kind, dataColumns] :
         {std::pair{reports::NamedReportKind::Short, 11}, {reports::NamedReportKind::Full, 26}}) {
        office::MemoryOffice memory;
        auto sheet = memory.newSpreadsheet();
        PeriodRecords period = periodWith(3, 2);
        for (PeriodRecord& record : period.records)
            for (int c = 1; c <= dataColumns; ++c) record.columns << QStringLiteral("д%1").arg(c);
        period.records[1].results[1].clear();  // a missing middle result
        reports::fillNamedReport(*sheet, kind, december(), period);
        const office::MemorySheet& s = *memory.sheets[0];
        const int f = dataColumns + 1;
        EXPECT_EQ(s.text(1, 1), "ИФА ВИЧ");
        EXPECT_EQ(s.text(2, 1), "период 01.12.2026 - 09.12.2026");
        EXPECT_EQ(s.text(3, f), "П1");
        EXPECT_EQ(s.text(3, f + 2), "П3");
        EXPECT_EQ(s.text(4, 1), "д1");
        EXPECT_EQ(s.text(4, dataColumns), QStringLiteral("д%1").arg(dataColumns));
        EXPECT_EQ(s.text(5, f), "р2.1");
        EXPECT_EQ(s.text(5, f + 1), "");
        EXPECT_EQ(s.text(5, f + 2), "р2.3") << "the third result stays under its title";
        EXPECT_EQ(s.ruled,
                  (QList<CellRange>{CellRange::of(3, 1, 3, f + 2), CellRange::of(3, 1, 5, f + 2)}));
        EXPECT_EQ(s.bold, QList<CellRange>{CellRange::of(3, 1, 3, f + 2)});
        EXPECT_EQ(s.blockWrites, 2) << "the titles and the block, one call each";
    }
}

// ---- the commands, on a real database ------------------------------------------------------

// Type 1 with three indicators (composition order 20, 22, 21); four records with results dated
// in early December, one without a result date, one of type 2.
QStringList reportsFixture() {
    return {
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA_TIME, NORMA_TIME_MS) values "
        "(20, 'Антитела', '', 15, 2.5)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA_TIME, NORMA_TIME_MS) values "
        "(21, 'КП', 'ед', 30, null)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (22, 'p24')",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 3)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 1, 22, 2)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, DAT_REZULT, FAM, IMJA, OTCH, "
        "NOM, NPP, PR_LIVE) values (1, 1, 1, '2026-12-09', '2026-12-09', 'Петрова', 'Анна', "
        "'Викторовна', 501, 1, '4')",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, DAT_REZULT, FAM, NOM, NPP) "
        "values (2, 1, 2, '2026-11-20', '2026-12-01', 'Сидоров', 502, 2)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NOM, NPP) values (3, 1, "
        "1, '2026-12-09', 'Без даты', 503, 3)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, DAT_REZULT, FAM, NOM, NPP) "
        "values (4, 2, 1, '2026-12-09', '2026-12-09', 'Блотов', 504, 4)",
        // Record 1: all three results; record 2 lacks the row of p24 (the middle indicator).
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 1, '+')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (22, 1, 1, 'отр')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (21, 1, 1, '1:40')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 2, '-')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (21, 1, 2, '1:10')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 3, '+')",
        // Record 3's p24 row holds no result: it counts for nothing.
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (22, 1, 3)",
        "set generator GEN_ISSLED_ID to 100"};
}

class JournalReportsTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        office::setOffice(&memory_);
        start(reportsFixture());
        page().periodFrom->setDate(QDate(2026, 11, 1));
        page().periodTo->setDate(QDate(2026, 12, 9));
        page().reloadForPeriod();
    }
    void TearDown() override {
        ProgramTest::TearDown();
        office::setOffice(nullptr);
        for (const QString& path : made_) QFile::remove(path);
    }
    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    // The named report's template beside the executable, for the in-memory office.
    void placeTemplate(reports::NamedReportKind kind) {
        const QString path = reports::JournalReports::namedReportTemplate(kind);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        made_ << path;
    }

    office::MemoryOffice memory_;
    QStringList made_;
};

TEST_F(JournalReportsTest, ResultsJournalListsTheResultDatesOfEveryInstitution) {
    page().journalDocumentButton->click();
    ASSERT_EQ(memory_.textDocuments.size(), 1u);
    const office::MemoryTextDocument& doc = *memory_.textDocuments[0];
    EXPECT_EQ(doc.paragraphs[0].text, "ИФА ВИЧ    ЛПУ - Амбулатория");
    ASSERT_EQ(doc.tables.size(), 1);
    const QList<QStringList>& rows = doc.tables[0].rows;
    ASSERT_EQ(rows.size(), 3) << "records 1 and 2; record 3 has no result date";
    EXPECT_EQ(rows[0].mid(4), (QStringList{"Антитела", "p24", "КП"}));
    EXPECT_EQ(rows[1], (QStringList{"501", "Петрова А.В.", "", "09.12.2026", "+", "отр", "1:40"}));
    EXPECT_EQ(rows[2], (QStringList{"502", "Сидоров ..", "", "20.11.2026", "-", "", "1:10"}))
        << "the missing p24 row leaves its cell empty";
    EXPECT_TRUE(doc.shown);
    EXPECT_FALSE(doc.closed) << "left with the user";
}

TEST_F(JournalReportsTest, ReportsNeedATypeAndSayNothingWithoutRecords) {
    page().typeSelector->setKeyValue(QVariant());
    page().journalDocumentButton->click();
    form().namedReportAction->trigger();
    form().periodReportAction->trigger();
    EXPECT_EQ(dialogs_.texts(),
              (QStringList{"Здайте вид исследования", "Здайте вид исследования", "Нет данных"}));
    dialogs_.messages.clear();
    page().typeSelector->setKeyValue(1);
    page().periodFrom->setDate(QDate(2026, 1, 1));
    page().periodTo->setDate(QDate(2026, 1, 31));
    page().reloadForPeriod();
    placeTemplate(reports::NamedReportKind::Short);
    page().journalDocumentButton->click();
    form().namedReportAction->trigger();
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_TRUE(memory_.textDocuments.empty());
    EXPECT_TRUE(memory_.sheets.empty());
}

TEST_F(JournalReportsTest, NamedReportsFillTheirTemplatesAndAMissingOneIsNamed) {
    form().fullNamedReportAction->trigger();
    ASSERT_EQ(dialogs_.texts().size(), 1);
    EXPECT_TRUE(dialogs_.texts()[0].contains(
        reports::JournalReports::namedReportTemplate(reports::NamedReportKind::Full)));
    EXPECT_TRUE(memory_.sheets.empty());

    dialogs_.messages.clear();
    placeTemplate(reports::NamedReportKind::Full);
    form().fullNamedReportAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& s = *memory_.sheets[0];
    EXPECT_EQ(s.text(2, 1), "период 01.11.2026 - 09.12.2026");
    EXPECT_EQ(s.text(3, 27), "Антитела");
    EXPECT_EQ(s.text(4, 6), "Петрова");
    EXPECT_EQ(s.text(4, 12), "иностранный гражд.");
    EXPECT_EQ(s.text(5, 27), "-");
    EXPECT_EQ(s.text(5, 28), "");
    EXPECT_EQ(s.text(5, 29), "1:10");
    EXPECT_TRUE(s.shown);
    EXPECT_TRUE(s.closed);
    EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
}

// An indicator may stand twice in a type's composition: its result is written in both places.
TEST_F(JournalReportsTest, AnIndicatorStandingTwiceGetsItsResultInBothPlaces) {
    db_->exec("insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (4, 1, 20, 4)");
    placeTemplate(reports::NamedReportKind::Full);
    form().fullNamedReportAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& s = *memory_.sheets[0];
    EXPECT_EQ((QStringList{s.text(3, 27), s.text(3, 28), s.text(3, 29), s.text(3, 30)}),
              (QStringList{"Антитела", "p24", "КП", "Антитела"}));
    EXPECT_EQ(s.text(4, 6), "Петрова");
    EXPECT_EQ((QStringList{s.text(4, 27), s.text(4, 28), s.text(4, 29), s.text(4, 30)}),
              (QStringList{"+", "отр", "1:40", "+"}));
    EXPECT_EQ((QStringList{s.text(5, 27), s.text(5, 30)}), (QStringList{"-", "-"}));
}

TEST_F(JournalReportsTest, PeriodReportCountsBySamplingDateAndHidesItsProgress) {
    dialogs_.okAnswers = {false};
    bool progressShown = false;
    QObject::connect(form().progressBar, &QProgressBar::valueChanged,
                     [&] { progressShown = progressShown || form().progressBar->isVisible(); });
    form().periodReportAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& s = *memory_.sheets[0];
    // Records 1, 2 and 3 were sampled in the period; record 3 has no result date, which does not
    // matter here.
    EXPECT_EQ(s.text(5, 1), "Антитела");
    EXPECT_EQ(s.text(5, 3), "3");
    EXPECT_EQ(s.text(5, 4), "45мин");
    EXPECT_EQ(s.text(5, 5), "7,5мин");
    EXPECT_EQ(s.text(6, 1), "p24");
    EXPECT_EQ(s.text(6, 3), "1") << "record 1's result; record 3's empty row is no result";
    EXPECT_EQ(s.text(6, 4), "");
    EXPECT_EQ(s.text(7, 1), "КП");
    EXPECT_EQ(s.text(7, 3), "2");
    EXPECT_EQ(s.text(7, 4), "1ч");
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(form().progressBar->isVisible());
    EXPECT_FALSE(s.closed) << "the box was closed without OK";

    memory_.failingRow = 6;
    form().periodReportAction->trigger();
    EXPECT_FALSE(form().progressBar->isVisible()) << "hidden after a failure too";
    EXPECT_TRUE(memory_.sheets[1]->closed);
}

TEST_F(JournalReportsTest, GridExportShowsWhatTheSearchGridShows) {
    form().findPatientAction->trigger();
    SearchPage& search = *form().searchPage;
    search.periodFrom->setDate(QDate(2026, 12, 1));
    search.periodTo->setDate(QDate(2026, 12, 9));
    search.findButton->click();
    ASSERT_EQ(search.found.recordCount(), 3);
    search.found.locate("N_ISSLED", 3);
    search.foundGrid->setColumnHidden(1, true);  // the user hid "ЛПУ"
    search.exportAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& s = *memory_.sheets[0];
    EXPECT_EQ(s.text(1, 1), "Исследование");
    EXPECT_EQ(s.text(1, 2), "") << "a hidden column has no title";
    EXPECT_EQ(s.text(2, 2), "") << "nor values";
    EXPECT_EQ(s.text(1, 3), "Отделение") << "the others keep their places";
    EXPECT_EQ(s.text(1, 11), "Возраст");
    EXPECT_EQ(s.text(1, 13), "Житель города\\ села");
    int petrova = 0;
    for (int row = 2; row <= 4; ++row)
        if (s.text(row, 6) == "Петрова") petrova = row;
    ASSERT_GT(petrova, 0);
    EXPECT_EQ(s.text(petrova, 13), "иностранный гражд.") << "the caption, not the code";
    EXPECT_EQ(s.text(petrova, 18), "09.12.2026");
    EXPECT_EQ(s.bold, QList<CellRange>{CellRange::of(1, 1, 1, 23)});
    EXPECT_EQ(s.ruled, (QList<CellRange>{CellRange::of(1, 1, 1, 23), CellRange::of(2, 1, 4, 23)}));
    EXPECT_EQ(search.found.value("N_ISSLED").toInt(), 3) << "the grid stays on its record";
    EXPECT_TRUE(s.shown && s.closed);
}

TEST_F(JournalReportsTest, DirectoryGridExportsItsRows) {
    dialogs_.whileShown([&] { form().institutionsAction->trigger(); },
                        [&](QDialog* window) {
                            auto* directory = static_cast<DirectoryWindow*>(window);
                            directory->exportAction->trigger();
                        });
    ASSERT_EQ(memory_.sheets.size(), 1u);
    const office::MemorySheet& s = *memory_.sheets[0];
    EXPECT_EQ(s.text(1, 1), "Наименование");
    EXPECT_EQ(s.text(1, 2), "Путь к базе данных");
    EXPECT_EQ(s.text(2, 1), "Амбулатория");
    EXPECT_EQ(s.text(3, 1), "Больница");
    EXPECT_EQ(s.lastRow(), 3);
}

TEST_F(JournalReportsTest, GridExportOfAnEmptyGridHasItsHeaderOnly) {
    form().findPatientAction->trigger();
    SearchPage& search = *form().searchPage;
    search.periodFrom->setDate(QDate(2020, 1, 1));
    search.periodTo->setDate(QDate(2020, 1, 2));
    search.findButton->click();
    search.exportAction->trigger();
    ASSERT_EQ(memory_.sheets.size(), 1u);
    EXPECT_EQ(memory_.sheets[0]->lastRow(), 1);
    EXPECT_EQ(memory_.sheets[0]->ruled,
              (QList<CellRange>{CellRange::of(1, 1, 1, 23), CellRange::of(1, 1, 2, 23)}))
        << "the empty records' ruling spans the titles and the row below";
    EXPECT_TRUE(dialogs_.texts() == QStringList{"Закрыть EXCEL?"});
}

}  // namespace
