#include <gtest/gtest.h>

#include "reports/office/memory_office.h"
#include "reports/patient_sheets.h"
#include "support/temp_database.h"

using office::CellRange;
using reports::RecordTexts;
using reports::ResultLine;

namespace {

RecordTexts patient() {
    RecordTexts r;
    r.columns = {{"NOM", "5127"},
                 {"DAT_ISSLED", "08.12.2026"},
                 {"FAM", "Фёдорова"},
                 {"IMJA", "Юлия"},
                 {"OTCH", "Юрьевна"},
                 {"VOZR", "50"},
                 {"LPU", "Больница №2"},
                 {"OTD", "Инфекционное"},
                 {"NOM_POL", "6300123"},
                 {"NOM_KART", "К-20127"},
                 {"COD_OBSL", "108"},
                 {"NPP", "5"},
                 {"N_LISSL", "2"},
                 {"N_ISSLED", "41"},
                 {"DAT_REZULT", "10.12.2026"},
                 {"VRACH", "Белов И. С."},
                 {"POL", "Ж"},
                 {"DAT_R", "13.12.1976"},
                 {"GOS", "Россия"},
                 {"COD_TER", "1"},
                 {"TER", "Самарская обл."},
                 {"COD_RAION", "3"},
                 {"RAION", "Советский"},
                 {"NAS_PUNKT", "г. Самара"},
                 {"ADRES", "ул. Мира, д. 58"}};
    return r;
}

// Five indicators of which two have results, the first a literal "+".
QList<ResultLine> fiveWithTwoResults() {
    return {{"gp160", "+", "", "отр"},
            {"gp120", "", "", "отр"},
            {"gp41", "1:40", "титр", "<1:10"},
            {"p24", "", "", ""},
            {"p17", "", "", ""}};
}

struct SheetTest : ::testing::Test {
    office::MemoryOffice memory;
    std::unique_ptr<office::Spreadsheet> sheet = memory.newSpreadsheet();
    office::MemorySheet& cells() { return *memory.sheets.back(); }
};

TEST_F(SheetTest, ResultSheetPlacesTheHeaderAndOnlyTheResultsGiven) {
    reports::fillResultSheet(*sheet, {"КДЛ", "Иммуноблот ВИЧ", patient(), fiveWithTwoResults()});
    const QList<std::tuple<int, int, QString>> expected = {
        {2, 1, "КДЛ"},
        {8, 4, "5127"},
        {8, 9, "Иммуноблот ВИЧ"},
        {9, 22, "08.12.2026"},
        {11, 9, "Фёдорова Юлия Юрьевна"},
        {12, 9, "50"},
        {13, 8, "Больница №2"},
        {13, 32, "Инфекционное"},
        {14, 8, "6300123"},
        {14, 32, "К-20127"},
        {15, 8, "108"},
        {15, 32, "5"},
        {18, 1, "gp160"},
        {18, 22, "+"},
        {18, 40, "отр"},
        {19, 1, "gp41"},
        {19, 22, "1:40"},
        {19, 32, "титр"},
        {19, 40, "<1:10"},
        {22, 1, "Дата выдачи 10.12.2026"},
        {22, 22, "Подпись ____________ Белов И. С."}};
    for (const auto& [row, column, text] : expected)
        EXPECT_EQ(cells().text(row, column), text) << row << ", " << column;
    EXPECT_EQ(cells().lastRow(), 22);
    EXPECT_TRUE(cells().text(20, 1).isEmpty());
    EXPECT_EQ(cells().ruled, QList<CellRange>{CellRange::of(18, 1, 19, 40)});
    EXPECT_EQ(cells().merged, QList<CellRange>{CellRange::of(22, 22, 22, 47)});
    EXPECT_TRUE(cells().firstCellSelected);
    EXPECT_EQ(cells().blockWrites, 4) << "each result column in one call, not cell by cell";
    EXPECT_EQ(cells().printed, 0) << "printing is the caller's";
}

TEST_F(SheetTest, ResultSheetWithoutResultsRulesNothing) {
    RecordTexts record = patient();
    record.columns["OTCH"] = "";
    QList<ResultLine> none = fiveWithTwoResults();
    for (ResultLine& line : none) line.result.clear();
    reports::fillResultSheet(*sheet, {"КДЛ", {}, record, none});
    EXPECT_EQ(cells().text(11, 9), "Фёдорова Юлия ") << "a missing patronymic leaves its blank";
    EXPECT_TRUE(cells().text(18, 1).isEmpty());
    EXPECT_EQ(cells().text(20, 1), "Дата выдачи 10.12.2026");
    EXPECT_EQ(cells().merged, QList<CellRange>{CellRange::of(20, 22, 20, 47)});
    EXPECT_TRUE(cells().ruled.isEmpty()) << "the template's caption row stays as it is";
}

TEST_F(SheetTest, NotificationPutsTheProteinLinesAfterTheResults) {
    QList<ResultLine> three = {
        {"gp160", "+", "", ""}, {"gp120", "", "", ""}, {"gp41", "+", "", ""}, {"p24", "±", "", ""}};
    reports::fillNotification(*sheet, {"КДЛ", patient(), three});
    const QList<std::tuple<int, int, QString>> expected = {
        {2, 1, "КДЛ"},
        {12, 9, "Фёдорова"},
        {13, 9, "Юлия"},
        {13, 29, "Юрьевна"},
        {15, 9, "Ж"},
        {15, 33, "13.12.1976"},
        {17, 33, "Россия"},
        {21, 12, "108"},
        {22, 14, "Больница №2"},
        {24, 12, "КДЛ"},
        {28, 1, "gp160"},
        {29, 1, "gp41"},
        {30, 1, "p24"},
        {30, 22, "±"},
        {37, 1, "Белов И. С."},
        {38, 1, "Дата   10.12.2026"},
        {36, 1, "Должность, фамилия, подпись лица, направившего донесение"},
        {18, 13, "Самарская обл. Советский р-он г. Самара ул. Мира, д. 58"}};
    for (const auto& [row, column, text] : expected)
        EXPECT_EQ(cells().text(row, column), text) << row << ", " << column;
    EXPECT_EQ(cells().text(32, 1),
              "Выявленные белки и гликопротеиды:    env:     gp 160,  110  /  120,  41");
    EXPECT_EQ(cells().text(33, 1), QString(72, ' ') + "gag:    p 55,  40,  25, 18");
    EXPECT_EQ(cells().text(34, 1), QString(72, ' ') + "pol:     p 68,  52,  33");
    EXPECT_TRUE(cells().text(31, 1).isEmpty());
    EXPECT_TRUE(cells().text(35, 1).isEmpty());
    QList<CellRange> rows;
    for (int row : {32, 33, 34, 36, 37, 38}) rows << CellRange::of(row, 1, row, 47);
    EXPECT_EQ(cells().merged, rows);
    ASSERT_EQ(cells().alignments.size(), 3);
    EXPECT_EQ(cells().alignments[0].first, CellRange::of(32, 1, 32, 47));
    EXPECT_EQ(cells().alignments[2].second, office::Alignment::General);
    EXPECT_TRUE(cells().ruled.isEmpty());
}

TEST_F(SheetTest, NotificationWithoutResults) {
    reports::fillNotification(*sheet, {"КДЛ", patient(), {}});
    EXPECT_TRUE(cells().text(28, 1).isEmpty());
    EXPECT_TRUE(cells().text(29, 1).startsWith("Выявленные белки"));
    EXPECT_TRUE(cells().text(31, 1).endsWith("p 68,  52,  33"));
    EXPECT_EQ(cells().text(35, 1), "Дата   10.12.2026");
}

TEST_F(SheetTest, ReferralWritesTheBirthDateInWordsOnlyWhenThereIsOne) {
    RecordTexts record = patient();
    record.columns["DAT_R"] = "01.01.2001";
    reports::fillReferral(*sheet, {"КДЛ", record, {}}, QDate(2026, 12, 9));
    const QList<std::tuple<int, int, QString>> expected = {
        {4, 3, "КДЛ"},
        {10, 4, "Больница №2"},
        {15, 15, "Фёдорова Юлия Юрьевна"},
        {19, 23, "1 января 2001 г."},
        {24, 3, "Самарская обл. Советский р-он г. Самара ул. Мира, д. 58"},
        {28, 12, "108"},
        {28, 30, "08.12.2026"},
        {34, 3, "Белов И. С."},
        {37, 3, "09.12.2026"}};
    for (const auto& [row, column, text] : expected)
        EXPECT_EQ(cells().text(row, column), text) << row << ", " << column;

    auto other = memory.newSpreadsheet();
    record.columns["DAT_R"] = "";
    reports::fillReferral(*other, {"КДЛ", record, {}}, QDate(2026, 12, 9));
    EXPECT_FALSE(memory.sheets.back()->cells.contains({19, 23}));
}

struct Address {
    const char* ter;
    const char* raion;
    const char* settlement;
    const char* street;
    const char* expected;
};

TEST(RegisteredAddress, TakesThePartsThatArePresent) {
    const Address cases[] = {
        {"1", "3", "г. Самара", "ул. Мира", "Самарская обл. Советский р-он г. Самара ул. Мира"},
        {"", "", "", "ул. Мира", "ул. Мира"},
        {"", "", "", "", ""},
        {"0", "3", "", "", "Советский р-он "},
        {"", "3", "с. Красное", "", "Советский р-он с. Красное "},
        {"1", "", "", "", "Самарская обл. "},
    };
    for (const Address& c : cases) {
        RecordTexts r;
        r.columns = {{"COD_TER", c.ter},     {"TER", "Самарская обл."},   {"COD_RAION", c.raion},
                     {"RAION", "Советский"}, {"NAS_PUNKT", c.settlement}, {"ADRES", c.street}};
        EXPECT_EQ(reports::registeredAddress(r), QString::fromUtf8(c.expected));
    }
    RecordTexts unknownTerritory;
    unknownTerritory.columns = {{"COD_TER", "9"}, {"ADRES", "ул. Мира"}};
    EXPECT_EQ(reports::registeredAddress(unknownTerritory), " ул. Мира")
        << "a code without a name still gives its blank";
}

TEST(DateInWords, UsesTheGenitiveMonths) {
    const QStringList months = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                                "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(reports::dateInWords(QDate(1980, m, 5)), "5 " + months[m - 1] + " 1980 г.");
    EXPECT_EQ(reports::dateInWords(QDate(2001, 1, 1)), "1 января 2001 г.");
}

}  // namespace
