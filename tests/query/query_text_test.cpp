// The counting statement written line by line from the recorded criteria, the order clause of
// sorting, and the saved file's bytes.
#include <gtest/gtest.h>

#include "db/db_error.h"
#include "query/query_text.h"
#include "support/temp_database.h"

namespace {

using namespace query;

const QString countBase = QStringLiteral(
    "Select s.Name as \"Исследование\", s1.Name as \"Показатель\", count(*) as \"Количество\"  "
    "from issled isl join sp_tarvik s on isl.n_lissl=s.n_lissl join lab_issl_priz lp on "
    "isl.n_lissl=lp.n_lissl join sp_priz_lab_issl s1 on s1.n_prlab=lp.n_prlab join lab_issl_bol "
    "b on b.n_issled=isl.n_issled and b.n_prlab=lp.n_prlab ");

const QString resultsBase = QStringLiteral(
    "Select s.Name as \"Исследование\", s1.Name as \"Показатель\", b.result as \"Результат\", "
    "count(*) as \"Количество\"  from issled isl join sp_tarvik s on isl.n_lissl=s.n_lissl join "
    "lab_issl_priz lp on isl.n_lissl=lp.n_lissl join sp_priz_lab_issl s1 on "
    "s1.n_prlab=lp.n_prlab join lab_issl_bol b on b.n_issled=isl.n_issled and "
    "b.n_prlab=lp.n_prlab ");

void expectLines(const QStringList& actual, const QStringList& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << actual.join('\n').toStdString();
    for (int i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

TEST(QueryText, WorkedExampleByteForByte) {
    Criteria c;
    c.period = Period{QDate(2010, 1, 1), QDate(2010, 3, 31)};
    c.types = TypeSelection{{3, 5}, {12}};
    c.institutions = QStringList{QStringLiteral("Больница №1")};
    expectLines(
        statementLines(c),
        {countBase, QStringLiteral("  join sp_lpu lpu on isl.cod_lpu=lpu.cod_lpu "),
         QStringLiteral(" Where b.result is not null"),
         QStringLiteral(" and  isl.dat_rezult between '01.01.2010' and '31.03.2010' "),
         QStringLiteral(" and   isl.n_lissl in (3,5)  and b.n_prlab in (12) "),
         QStringLiteral(" and   lpu.name in ('Больница №1') "),
         QStringLiteral(" Group by s.name,s1.name"), QStringLiteral(" order by s.name,s1.name")});
}

TEST(QueryText, NoCriterionIsFourLinesInEitherMode) {
    Criteria c;
    expectLines(statementLines(c), {countBase, " Where b.result is not null",
                                    " Group by s.name,s1.name", " order by s.name,s1.name"});
    c.mode = Mode::Results;
    expectLines(statementLines(c),
                {resultsBase, " Where b.result is not null", " Group by s.name,s1.name, b.result",
                 " order by s.name,s1.name, b.result"});
}

// Each criterion alone: its join line (if any) and its condition line.
struct Alone {
    const char* name;
    std::function<void(Criteria&)> record;
    QString join;       // the whole line, empty when there is none
    QString condition;  // the whole line, empty when there is none
};

void PrintTo(const Alone& a, std::ostream* os) {
    *os << a.name;
}

class EachCriterionAlone : public ::testing::TestWithParam<Alone> {};

TEST_P(EachCriterionAlone, WritesItsJoinAndCondition) {
    const Alone& a = GetParam();
    Criteria c;
    a.record(c);
    QStringList expected{countBase};
    if (!a.join.isEmpty()) expected << a.join;
    expected << " Where b.result is not null";
    if (!a.condition.isEmpty()) expected << a.condition;
    expected << " Group by s.name,s1.name"
             << " order by s.name,s1.name";
    expectLines(statementLines(c), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, EachCriterionAlone,
    ::testing::Values(
        Alone{"period",
              [](Criteria& c) {
                  c.period = Period{QDate(2010, 3, 5), QDate(2010, 3, 5)};
              },
              "", " and  isl.dat_rezult between '05.03.2010' and '05.03.2010' "},
        Alone{"typesWithoutIndicators",
              [](Criteria& c) {
                  c.types = TypeSelection{{7}, {}};
              },
              "", " and   isl.n_lissl in (7) "},
        Alone{"typesAndIndicators",
              [](Criteria& c) {
                  c.types = TypeSelection{{2, 1}, {4, 9, 6}};
              },
              "", " and   isl.n_lissl in (2,1)  and b.n_prlab in (4,9,6) "},
        Alone{"male",
              [](Criteria& c) {
                  c.sexes = Sexes{true, false};
              },
              "", " and  (isl.pol='М' or isl.pol='м') "},
        Alone{"female",
              [](Criteria& c) {
                  c.sexes = Sexes{false, true};
              },
              "", " and  (isl.pol='Ж' or isl.pol='ж') "},
        Alone{"bothSexes",
              [](Criteria& c) {
                  c.sexes = Sexes{true, true};
              },
              "", ""},
        Alone{"ageAtLeast",
              [](Criteria& c) {
                  c.age = Age{AgeComparison::AtLeast, 18, QDate(2026, 3, 1)};
              },
              "", " and  isl.dat_r <= dateadd(-18 year to cast('01.03.2026' as date)) "},
        Alone{"ageAtMost",
              [](Criteria& c) {
                  c.age = Age{AgeComparison::AtMost, 25, QDate(2026, 12, 9)};
              },
              "", " and  isl.dat_r > dateadd(-26 year to cast('09.12.2026' as date)) "},
        Alone{"ageExactly",
              [](Criteria& c) {
                  c.age = Age{AgeComparison::Exactly, 5, QDate(2010, 3, 31)};
              },
              "",
              " and  isl.dat_r <= dateadd(-5 year to cast('31.03.2010' as date)) and "
              "isl.dat_r > dateadd(-6 year to cast('31.03.2010' as date)) "},
        Alone{"countries",
              [](Criteria& c) {
                  c.countries = QStringList{"Россия", "Абхазия"};
              },
              "  join sp_gos sst on isl.cod_gos=sst.cod_gos ",
              " and   sst.name in ('Россия','Абхазия') "},
        Alone{"residence",
              [](Criteria& c) {
                  c.residence = QList<int>{4, 0, 2};
              },
              "", " and   isl.pr_live in ('0','2','4') "},
        Alone{"territories", [](Criteria& c) { c.territories = QStringList{"Север"}; },
              "  join sp_ter ter on isl.cod_ter=ter.cod_ter ", " and   ter.name in ('Север') "},
        Alone{"districts", [](Criteria& c) { c.districts = QStringList{"Кировский"}; },
              "  join sp_raion rai on isl.cod_raion=rai.cod_raion ",
              " and   rai.name in ('Кировский') "},
        Alone{"institutions",
              [](Criteria& c) {
                  c.institutions = QStringList{"ГБ 1", "ГБ 2"};
              },
              "  join sp_lpu lpu on isl.cod_lpu=lpu.cod_lpu ",
              " and   lpu.name in ('ГБ 1','ГБ 2') "},
        Alone{"departments", [](Criteria& c) { c.departments = QStringList{"Хирургия"}; },
              "  join sp_otd otd on isl.cod_otd=otd.cod_otd ", " and   otd.name in ('Хирургия') "},
        Alone{"examinationCodes", [](Criteria& c) { c.examinationCodes = QStringList{"102"}; },
              "  join sp_kontingent k on isl.n_kon=k.n_kon ", " and   k.COD in ('102') "},
        Alone{"fundingSources", [](Criteria& c) { c.fundingSources = QStringList{"ОМС"}; },
              "  join sp_ist_fin fin on isl.n_ifin=fin.n_ifin ", " and   fin.name in ('ОМС') "},
        Alone{"doctors", [](Criteria& c) { c.doctors = QStringList{"Иванов И.И."}; },
              "  join sp_vr v on isl.cod_vr=v.cod_vr ", " and   v.fio in ('Иванов И.И.') "},
        Alone{"labAssistants", [](Criteria& c) { c.labAssistants = QStringList{"Петрова"}; },
              "  join sp_ms ms on isl.cod_ms=ms.cod_ms ", " and   ms.fio in ('Петрова') "},
        Alone{"diagnoses",
              [](Criteria& c) {
                  c.diagnoses = QStringList{"B20", "Z21"};
              },
              "", " and   isl.diag_cod in ('B20','Z21') "},
        Alone{"apostrophe",
              [](Criteria& c) {
                  c.doctors = QStringList{"O'Brien", "Д'Арк'"};
              },
              "  join sp_vr v on isl.cod_vr=v.cod_vr ", " and   v.fio in ('O''Brien','Д''Арк''') "},
        // A recorded directory criterion with nothing ticked still joins.
        Alone{"recordedWithoutTicks", [](Criteria& c) { c.institutions = QStringList{}; },
              "  join sp_lpu lpu on isl.cod_lpu=lpu.cod_lpu ", ""}),
    [](const ::testing::TestParamInfo<Alone>& info) { return std::string(info.param.name); });

TEST(QueryText, JoinsThenConditionsInTheCriteriaListOrder) {
    Criteria c;
    c.mode = Mode::Results;
    c.diagnoses = QStringList{"B20"};
    c.doctors = QStringList{"Иванов"};
    c.countries = QStringList{"Россия"};
    c.sexes = Sexes{false, true};
    c.period = Period{QDate(2026, 1, 1), QDate(2026, 1, 31)};
    expectLines(statementLines(c),
                {resultsBase, "  join sp_gos sst on isl.cod_gos=sst.cod_gos ",
                 "  join sp_vr v on isl.cod_vr=v.cod_vr ", " Where b.result is not null",
                 " and  isl.dat_rezult between '01.01.2026' and '31.01.2026' ",
                 " and  (isl.pol='Ж' or isl.pol='ж') ", " and   sst.name in ('Россия') ",
                 " and   v.fio in ('Иванов') ", " and   isl.diag_cod in ('B20') ",
                 " Group by s.name,s1.name, b.result", " order by s.name,s1.name, b.result"});
}

TEST(QueryText, DatesAreDayMonthYearWhateverTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(dateLiteral(QDate(2010, 3, 5)), "05.03.2010");
    QLocale::setDefault(saved);
}

struct Sorting {
    const char* name;
    QStringList lines;
    QList<SortColumn> columns;
    QStringList expected;
};

void PrintTo(const Sorting& s, std::ostream* os) {
    *os << s.name;
}

class SortingCases : public ::testing::TestWithParam<Sorting> {};

TEST_P(SortingCases, ReplaceOrAddTheOrderLine) {
    expectLines(sortedLines(GetParam().lines, GetParam().columns), GetParam().expected);
}

const QStringList generated{"select ...", " Where b.result is not null", " Group by s.name,s1.name",
                            " order by s.name,s1.name"};
const QStringList grouped{"select ...", " Where b.result is not null", " Group by s.name,s1.name"};

INSTANTIATE_TEST_SUITE_P(
    Order, SortingCases,
    ::testing::Values(
        Sorting{"countDescending",
                generated,
                {{QStringLiteral("Количество"), false}},
                grouped + QStringList{" ORDER BY \"Количество\" DESC "}},
        Sorting{"twoColumnsInMarkingOrder",
                generated,
                {{QStringLiteral("Показатель"), true}, {QStringLiteral("Исследование"), false}},
                grouped + QStringList{" ORDER BY \"Показатель\", \"Исследование\" DESC "}},
        Sorting{"plainAndSpecialNames",
                generated,
                {{"LPU", false}, {"KAT", true}, {"FAM", false}, {"NAME", true}},
                grouped + QStringList{" ORDER BY lpu.name desc, kat.name, FAM DESC , NAME"}},
        Sorting{"noMarkerDropsTheOrderLine", generated, {}, grouped},
        Sorting{"aConditionLastIsKept",
                {"select * from issled", " where n_issled > 5"},
                {{"N_ISSLED", true}},
                {"select * from issled", " where n_issled > 5", " ORDER BY N_ISSLED"}},
        Sorting{"aSortedStatementSortedAgain",
                grouped + QStringList{" ORDER BY \"Количество\" DESC "},
                {{QStringLiteral("Исследование"), true}},
                grouped + QStringList{" ORDER BY \"Исследование\""}}),
    [](const ::testing::TestParamInfo<Sorting>& info) { return std::string(info.param.name); });

TEST(QueryFile, LinesInWindows1251EachEndedByCrLf) {
    const QByteArray bytes = fileText({QStringLiteral("Больница №1"), "", " x"});
    EXPECT_EQ(bytes, QByteArray("\xC1\xEE\xEB\xFC\xED\xE8\xF6\xE0 \xB9"
                                "1\r\n\r\n x\r\n"));
    EXPECT_EQ(linesOfFile(bytes), (QStringList{QStringLiteral("Больница №1"), "", " x"}));
}

TEST(QueryFile, ReadsLfOrCrLfAndAFinalLineEndAddsNoLine) {
    EXPECT_EQ(linesOfFile("a\nb\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(linesOfFile("a\r\nb"), (QStringList{"a", "b"}));
    EXPECT_EQ(linesOfFile("a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_EQ(linesOfFile(""), QStringList{});
}

TEST(QueryFile, ACharacterOutsideTheCodePageIsRefused) {
    EXPECT_THROW(fileText({QStringLiteral("☃")}), db::DbError);
}

}  // namespace

namespace {

TEST(GeneratorCall, IsFoundOutsideLiteralsQuotedNamesAndComments) {
    const std::pair<const char*, const char*> cases[] = {
        {"select gen_id(g, 1) from rdb$database", "gen_id"},
        {"select GEN_ID (g, 0) from t", "GEN_ID"},
        {"select next\n value  for g from t", "next value for"},
        {"select 'gen_id(g, 1)' from t", ""},
        {"select 'it''s gen_id(g,1)' from t", ""},
        {"select \"GEN_ID(\" from t", ""},
        {"select 1 from t -- gen_id(g, 1)", ""},
        {"select 1 /* next value for g */ from t", ""},
        {"select my_gen_id(1), next_value_for from t", ""},
        {"select '' || gen_id(g, 1) from t", "gen_id"},
        {"select q'{'}' a, gen_id(g, -10) b, q'{'}' c from t", "gen_id"},
        {"select q'{gen_id(g, 1)}' from t", ""},
        {"select Q'!it's gen_id(g,1)!' from t", ""},
    };
    for (const auto& [sql, found] : cases)
        EXPECT_EQ(query::generatorCall(QString::fromUtf8(sql)), QString::fromUtf8(found)) << sql;
}

}  // namespace
