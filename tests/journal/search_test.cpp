#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "data/lab_data.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::typeText;

namespace {

// Every directory twice; seven investigations, six of them sampled in early December 2026
// (the program's today is 9 December) and one with no sampling date at all.
QStringList searchFixture() {
    QStringList sql = {
        "insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (23, 'gp41')",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 2)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 2, 23, 1)",
    };
    for (int i = 1; i <= 2; ++i) {
        const QString n = QString::number(i);
        sql << "insert into SP_OTD (COD_OTD, NAME) values (" + n + ", 'Отделение " + n + "')"
            << "insert into SP_VR (COD_VR, FIO) values (" + n + ", 'Врач " + n + "')"
            << "insert into SP_MS (COD_MS, FIO) values (" + n + ", 'Лаборант " + n + "')"
            << "insert into SP_IST_FIN (N_IFIN, NAME) values (" + n + ", 'Бюджет " + n + "')"
            << "insert into SP_KONTINGENT (N_KON, COD, NAME) values (" + n + ", '10" + n +
                   "', 'Код " + n + "')"
            << "insert into SP_GOS (COD_GOS, NAME) values (" + n + ", 'Страна " + n + "')"
            << "insert into SP_TER (COD_TER, NAME) values (" + n + ", 'Территория " + n + "')"
            << "insert into SP_RAION (COD_RAION, NAME) values (" + n + ", 'Район " + n + "')";
    }
    const char* insert =
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA, OTCH, NOM, "
        "NOM_KART, POL, VOZR, COD_GOS, PR_LIVE, COD_TER, COD_RAION, COD_OTD, N_KON, N_IFIN, "
        "DAT_DOSTAV, DAT_REZULT, COD_VR, COD_MS, DIAG_COD, NPP) values ";
    for (const char* values :
         {"(1, 1, 1, '2026-12-09', 'Иванов', 'Пётр', 'Сергеевич', 100, '007', 'М', 40, 1, '0', "
          "1, 1, 1, 1, 1, '2026-12-09', '2026-12-10', 1, 1, 'B20.7', 1)",
          "(2, 1, 2, '2026-12-09', 'ИВАНОВА', 'Анна', 'Петровна', 101, '7', 'Ж', 25, 2, '1', 2, "
          "2, 2, 2, 2, '2026-12-09', null, 2, 2, 'Z21', 2)",
          "(3, 2, 1, '2026-12-08', 'Д''Артаньян', 'Шарль', null, 102, 'A-5', 'М', 30, 1, '3', "
          "1, 2, 1, 2, 1, '2026-12-08', '2026-12-09', 1, 2, 'B24', 3)",
          "(4, 1, 1, '2026-12-09', 'Петрова-Водкина', 'Ёлка', 'Ивановна', 103, null, 'Ж', 18, 2, "
          "'4', 2, 1, 2, 1, 2, '2026-12-09', '2026-12-11', 2, 1, 'A15.0, B20.1', 4)",
          "(5, 2, 2, '2026-11-30', 'Иванов', 'Олег', null, 104, null, 'М', 50, 1, '0', 1, 1, 1, "
          "1, 1, '2026-11-30', null, 1, 1, null, 5)",
          "(6, 1, 1, null, 'Иванов', 'Без даты', null, 105, null, 'М', 50, 1, '0', 1, 1, 1, 1, "
          "1, null, null, 1, 1, null, 6)",
          // delivered two days after its sampling: the delivery date is a column of its own
          "(7, 2, 2, '2026-12-01', 'О''Нил', 'Шон', null, 106, null, 'М', 20, 1, '2', 1, 1, 1, "
          "1, 1, '2026-12-03', null, 1, 1, null, 7)"})
        sql << QString::fromUtf8(insert) + QString::fromUtf8(values);
    sql << "set generator GEN_ISSLED_ID to 100";
    return sql;
}

class SearchTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(searchFixture());
        form().findPatientAction->trigger();
        dialogs_.messages.clear();
    }

    MainWindow& form() { return *(*program_)->mainWindow; }
    SearchPage& page() { return *form().searchPage; }
    data::Dataset& found() { return page().found; }

    void setPeriod(const QDate& from, const QDate& to) {
        page().periodFrom->setDate(from);
        page().periodTo->setDate(to);
    }
    // The keys of the found records, in the grid's order.
    QList<int> foundKeys() {
        QList<int> keys;
        if (!found().isActive()) return keys;
        for (int row = 0; row < found().recordCount(); ++row)
            keys << found().valueAt(row, found().fieldIndex("N_ISSLED")).toInt();
        return keys;
    }
    QList<int> search() {
        page().findButton->click();
        return foundKeys();
    }
    // What the grid shows in a column of a found record.
    QString shown(int key, const QString& title) {
        ui::DatasetModel* model = page().foundGrid->datasetModel();
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() != title) continue;
            const int row = foundKeys().indexOf(key);
            return model->data(model->index(row, c), Qt::DisplayRole).toString();
        }
        ADD_FAILURE() << "no column " << title.toStdString();
        return {};
    }
    void clickTab(int index) {
        QTabBar* bar = form().pages->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

TEST_F(SearchTest, APeriodDateTypedOverAShorterMonthIsTakenAsTyped) {
    db_->exec("update ISSLED set DAT_ISSLED = '2026-10-30' where N_ISSLED = 7");
    setPeriod(QDate(2026, 11, 30), QDate(2026, 12, 31));
    QDateEdit* from = page().periodFrom;
    from->setFocus();
    QTest::keyClick(from, Qt::Key_Home);
    QTest::keyClicks(from, "31102026");  // day 31 typed while November shows
    const QList<int> keys = search();  // the command takes the typed date first
    EXPECT_EQ(from->date(), QDate(2026, 10, 31));
    EXPECT_FALSE(keys.contains(7)) << "30.10 is before the period typed";
    EXPECT_TRUE(keys.contains(5));
}

struct Criteria {
    const char* name;
    std::function<void(SearchPage&)> fill;
    QList<int> keys;
};

void PrintTo(const Criteria& c, std::ostream* os) { *os << c.name; }

class SearchCriteriaTest : public SearchTest, public ::testing::WithParamInterface<Criteria> {};

TEST_P(SearchCriteriaTest, FindsTheRecordsInTheirOrder) {
    setPeriod(QDate(2026, 12, 1), QDate(2026, 12, 9));
    GetParam().fill(page());
    EXPECT_EQ(search(), GetParam().keys);
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(page().footer->text(1), QString::number(GetParam().keys.size()));
}

// Type "ИФА ВИЧ" sorts before "Иммуноблот" (byte order), then institution, then the name.
INSTANTIATE_TEST_SUITE_P(
    Table, SearchCriteriaTest,
    ::testing::Values(
        Criteria{"NothingButThePeriod", [](SearchPage&) {}, {1, 4, 2, 3, 7}},
        Criteria{"SurnameInAnyCase",
                 [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("иВАНОВ")); },
                 {1, 2}},
        Criteria{"HyphenatedSurnamePrefix",
                 [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("петрова-в")); },
                 {4}},
        Criteria{"OneLetter", [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("и")); },
                 {1, 2}},
        Criteria{"Apostrophe",
                 [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("Д'Артаньян")); },
                 {3}},
        Criteria{"OtherApostrophe",
                 [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("о'нил")); },
                 {7}},
        Criteria{"InjectionFindsNothing",
                 [](SearchPage& p) { typeText(p.surnameEdit, QStringLiteral("x') or (1=1")); },
                 {}},
        Criteria{"FirstNameWithYo",
                 [](SearchPage& p) { typeText(p.firstNameEdit, QStringLiteral("ёл")); },
                 {4}},
        // Names are matched from their start: "Пётр" and "Сергеевич" hold the letters later.
        Criteria{"FirstNameFromItsStart",
                 [](SearchPage& p) { typeText(p.firstNameEdit, QStringLiteral("ё")); },
                 {4}},
        Criteria{"PatronymicFromItsStart",
                 [](SearchPage& p) { typeText(p.patronymicEdit, QStringLiteral("и")); },
                 {4}},
        Criteria{"Patronymic",
                 [](SearchPage& p) { typeText(p.patronymicEdit, QStringLiteral("ПЕТР")); },
                 {2}},
        Criteria{"UniqueNumberTrimmed",
                 [](SearchPage& p) { typeText(p.uniqueNumberEdit, QStringLiteral(" 101 ")); },
                 {2}},
        Criteria{"CardNumberAsText",
                 [](SearchPage& p) { typeText(p.cardNumberEdit, QStringLiteral("7")); },
                 {2}},
        Criteria{"CardNumberWithZeros",
                 [](SearchPage& p) { typeText(p.cardNumberEdit, QStringLiteral("007")); },
                 {1}},
        Criteria{"CardNumberNotANumber",
                 [](SearchPage& p) { typeText(p.cardNumberEdit, QStringLiteral("A-5")); },
                 {3}},
        Criteria{"Sex", [](SearchPage& p) { p.sexSelector->setCurrentText(QStringLiteral("Ж")); },
                 {4, 2}},
        Criteria{"AgeRangeInclusive",
                 [](SearchPage& p) {
                     typeText(p.ageFromEdit, QStringLiteral("20"));
                     typeText(p.ageToEdit, QStringLiteral("30"));
                 },
                 {2, 3, 7}},
        Criteria{"OnlyAgeFromIsNoCriterion",
                 [](SearchPage& p) { typeText(p.ageFromEdit, QStringLiteral("20")); },
                 {1, 4, 2, 3, 7}},
        Criteria{"BlankAgeToIsNoCriterion",
                 [](SearchPage& p) {
                     typeText(p.ageFromEdit, QStringLiteral("20"));
                     p.ageToEdit->setText(QStringLiteral("  "));
                 },
                 {1, 4, 2, 3, 7}},
        Criteria{"Type", [](SearchPage& p) { p.typeSelector->setKeyValue(2); }, {3, 7}},
        Criteria{"Country", [](SearchPage& p) { p.countrySelector->setKeyValue(2); }, {4, 2}},
        Criteria{"Residence",
                 [](SearchPage& p) {
                     p.residenceSelector->setCurrentText(QStringLiteral("иностранный гражд."));
                 },
                 {4}},
        Criteria{"ResidenceNotACaption",
                 [](SearchPage& p) {
                     p.residenceSelector->setCurrentText(QStringLiteral("областИ"));
                 },
                 {1, 4, 2, 3, 7}},
        Criteria{"Territory", [](SearchPage& p) { p.territorySelector->setKeyValue(2); }, {4, 2}},
        Criteria{"District", [](SearchPage& p) { p.districtSelector->setKeyValue(2); }, {2, 3}},
        Criteria{"Institution", [](SearchPage& p) { p.institutionSelector->setKeyValue(2); },
                 {2, 7}},
        Criteria{"Department", [](SearchPage& p) { p.departmentSelector->setKeyValue(2); },
                 {4, 2}},
        Criteria{"ExaminationCode",
                 [](SearchPage& p) { p.examinationCodeSelector->setKeyValue(2); },
                 {2, 3}},
        Criteria{"Funding", [](SearchPage& p) { p.fundingSourceSelector->setKeyValue(2); },
                 {4, 2}},
        Criteria{"SamplingDate",
                 [](SearchPage& p) { typeText(p.samplingDateEdit, QStringLiteral("08122026")); },
                 {3}},
        Criteria{"DeliveryDate",
                 [](SearchPage& p) { typeText(p.deliveryDateEdit, QStringLiteral("03122026")); },
                 {7}},
        Criteria{"DeliveryDateIsNotTheSamplingDate",
                 [](SearchPage& p) { typeText(p.deliveryDateEdit, QStringLiteral("01122026")); },
                 {}},
        Criteria{"ResultDate",
                 [](SearchPage& p) { typeText(p.resultDateEdit, QStringLiteral("11122026")); },
                 {4}},
        Criteria{"Doctor", [](SearchPage& p) { p.doctorSelector->setKeyValue(2); }, {4, 2}},
        Criteria{"LabAssistant", [](SearchPage& p) { p.labAssistantSelector->setKeyValue(2); },
                 {2, 3}},
        Criteria{"DiagnosisCapitalised",
                 [](SearchPage& p) { typeText(p.diagnosisEdit, QStringLiteral("b2")); },
                 {1, 3}},
        Criteria{"DiagnosisPrefixOfAList",
                 [](SearchPage& p) { typeText(p.diagnosisEdit, QStringLiteral("a15")); },
                 {4}},
        Criteria{"SeveralTogether",
                 [](SearchPage& p) {
                     typeText(p.surnameEdit, QStringLiteral("Иванов"));
                     p.institutionSelector->setKeyValue(1);
                     p.sexSelector->setCurrentText(QStringLiteral("М"));
                 },
                 {1}}),
    [](const ::testing::TestParamInfo<Criteria>& info) { return std::string(info.param.name); });

TEST_F(SearchTest, TodayIsThePeriodAtStartAndRecordsWithoutADateAreNeverFound) {
    EXPECT_EQ(page().periodFrom->date(), QDate(2026, 12, 9));
    EXPECT_EQ(search(), (QList<int>{1, 4, 2}));
    EXPECT_EQ(page().footer->text(0), QStringLiteral("Всего"));
    EXPECT_EQ(page().footer->text(1), QStringLiteral("3"));
    setPeriod(QDate(2000, 1, 1), QDate(2030, 1, 1));
    typeText(page().surnameEdit, QStringLiteral("Иванов"));
    EXPECT_EQ(search(), (QList<int>{1, 2, 5})) << "record 6 has no sampling date";
}

TEST_F(SearchTest, GridShowsNamesAndTheResidenceCaption) {
    setPeriod(QDate(2026, 12, 1), QDate(2026, 12, 9));
    search();
    ui::DatasetModel* model = page().foundGrid->datasetModel();
    ASSERT_EQ(model->columnCount(), 23);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Исследование"));
    EXPECT_EQ(model->headerData(22, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Диагноз"));
    EXPECT_EQ(shown(4, QStringLiteral("Житель города\\ села")),
              QStringLiteral("иностранный гражд."));
    EXPECT_EQ(shown(1, QStringLiteral("Житель города\\ села")), QStringLiteral("города"));
    EXPECT_EQ(shown(3, QStringLiteral("Исследование")), QStringLiteral("Иммуноблот"));
    EXPECT_EQ(shown(3, QStringLiteral("Лаборант")), QStringLiteral("Лаборант 2"));
    EXPECT_EQ(shown(1, QStringLiteral("Дата результата")), QStringLiteral("10.12.2026"));
    EXPECT_EQ(shown(2, QStringLiteral("Возраст")), QStringLiteral("25"));
    EXPECT_EQ(shown(2, QStringLiteral("Код обсл.")), QStringLiteral("102"));
}

struct BadInput {
    const char* name;
    std::function<void(SearchPage&)> fill;
    const char* message;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

class SearchBadInputTest : public SearchTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(SearchBadInputTest, SaysWhichFieldAndKeepsTheLastResult) {
    setPeriod(QDate(2026, 12, 1), QDate(2026, 12, 9));
    ASSERT_EQ(search().size(), 5);
    dialogs_.messages.clear();
    GetParam().fill(page());
    EXPECT_EQ(search().size(), 5) << "nothing was searched";
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QString::fromUtf8(GetParam().message)))
        << dialogs_.messages[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, SearchBadInputTest,
    ::testing::Values(
        BadInput{"UniqueNumberWithALetter",
                 [](SearchPage& p) { typeText(p.uniqueNumberEdit, QStringLiteral("10l")); },
                 "«Уник. №»"},
        BadInput{"UniqueNumberTooLarge",
                 [](SearchPage& p) { typeText(p.uniqueNumberEdit, QStringLiteral("99999999999")); },
                 "«Уник. №»"},
        BadInput{"AgeWithALetterEvenAlone",
                 [](SearchPage& p) { p.ageToEdit->setText(QStringLiteral("3o")); }, "«Возраст до»"},
        BadInput{"ImpossibleDate",
                 [](SearchPage& p) { typeText(p.samplingDateEdit, QStringLiteral("31022026")); },
                 "«Дата взятия ан.»"},
        BadInput{"HalfTypedDate",
                 [](SearchPage& p) { typeText(p.resultDateEdit, QStringLiteral("1212")); },
                 "«Дата результ.»"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

TEST_F(SearchTest, HostileTextChangesNothing) {
    setPeriod(QDate(2000, 1, 1), QDate(2030, 1, 1));
    for (QLineEdit* edit :
         {page().surnameEdit, page().firstNameEdit, page().cardNumberEdit, page().diagnosisEdit}) {
        edit->clear();
        typeText(edit, QStringLiteral("x'); delete from ISSLED; --"));
        EXPECT_TRUE(search().isEmpty());
        edit->clear();
    }
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 7);
}

TEST_F(SearchTest, AgeFieldsHintAtEveryKeyThatIsNotADigitButTakeIt) {
    page().ageFromEdit->setFocus();
    QTest::keyClicks(page().ageFromEdit, QStringLiteral("1"));
    EXPECT_TRUE(dialogs_.texts().isEmpty());
    QTest::keyClicks(page().ageFromEdit, QStringLiteral("a"));
    EXPECT_EQ(dialogs_.texts(), QStringList{QStringLiteral("Вводите только цифры")});
    EXPECT_EQ(page().ageFromEdit->text(), QStringLiteral("1a"));
    QTest::keyClick(page().ageFromEdit, Qt::Key_Backspace);
    EXPECT_EQ(dialogs_.texts().size(), 2);
    EXPECT_EQ(page().ageFromEdit->text(), QStringLiteral("1"));
    QTest::keyClicks(page().ageToEdit, QStringLiteral("7"));
    EXPECT_EQ(dialogs_.texts().size(), 2);
}

// Tab goes down the first column of criteria, then the second, then the third, as the page
// reads; each criterion's controls in their order.
TEST_F(SearchTest, TabGoesDownEachColumnOfCriteriaInTurn) {
    form().activateWindow();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    auto tabFrom = [](QWidget* from) {
        from->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    SearchPage& p = page();
    const std::vector<std::pair<QWidget*, QWidget*>> steps = {
        {p.uniqueNumberEdit, p.cardNumberEdit},
        {p.cardNumberEdit, p.surnameEdit},
        {p.ageFromEdit, p.ageToEdit},
        {p.ageToEdit, p.typeSelector},
        {p.departmentSelector, p.examinationCodeSelector},
        {p.samplingDateEdit, p.deliveryDateEdit},
        {p.diagnosisEdit, p.findButton}};
    for (const auto& [from, to] : steps) {
        QWidget* reached = tabFrom(from);
        // An editable list takes the focus in its line edit.
        EXPECT_TRUE(reached == to || (reached && reached->parentWidget() == to))
            << from->metaObject()->className() << " → "
            << (reached ? reached->metaObject()->className() : "nothing");
    }
}

TEST_F(SearchTest, EnteringThePageClearsEveryCriterionButThePeriod) {
    setPeriod(QDate(2026, 12, 1), QDate(2026, 12, 9));
    for (QLineEdit* edit :
         {page().uniqueNumberEdit, page().cardNumberEdit, page().surnameEdit, page().firstNameEdit,
          page().patronymicEdit, page().ageFromEdit, page().ageToEdit, page().diagnosisEdit})
        typeText(edit, QStringLiteral("1"));
    for (QLineEdit* edit :
         {page().samplingDateEdit, page().deliveryDateEdit, page().resultDateEdit})
        typeText(edit, QStringLiteral("09122026"));
    page().sexSelector->setCurrentText(QStringLiteral("Ж"));
    page().residenceSelector->setCurrentText(QStringLiteral("области"));
    const QList<ui::DbLookupComboBox*> selectors = {page().typeSelector,
                                                    page().countrySelector,
                                                    page().territorySelector,
                                                    page().districtSelector,
                                                    page().institutionSelector,
                                                    page().departmentSelector,
                                                    page().examinationCodeSelector,
                                                    page().fundingSourceSelector,
                                                    page().doctorSelector,
                                                    page().labAssistantSelector};
    for (ui::DbLookupComboBox* selector : selectors) selector->setKeyValue(1);

    clickTab(0);
    clickTab(1);
    for (QLineEdit* edit : page().findChildren<QLineEdit*>()) {
        if (edit->parent() == page().periodFrom || edit->parent() == page().periodTo) continue;
        if (edit->inputMask().isEmpty())
            EXPECT_TRUE(edit->text().isEmpty()) << edit->text().toStdString();
        else
            EXPECT_EQ(edit->text(), QStringLiteral(".."));
    }
    for (ui::DbLookupComboBox* selector : selectors) EXPECT_FALSE(selector->keyValue().isValid());
    EXPECT_EQ(page().periodFrom->date(), QDate(2026, 12, 1));
    EXPECT_EQ(page().periodTo->date(), QDate(2026, 12, 9));
    EXPECT_EQ(search().size(), 5);

    // The menu command clears the page it is already on.
    typeText(page().surnameEdit, QStringLiteral("Иванов"));
    form().findPatientAction->trigger();
    EXPECT_TRUE(page().surnameEdit->text().isEmpty());
}

TEST_F(SearchTest, ReadsOneSnapshotUntilTheJournalIsShownAgain) {
    EXPECT_FALSE(labData().searchSnapshot.isActive()) << "started by the first search";
    typeText(page().surnameEdit, QStringLiteral("Иванов"));
    search();
    EXPECT_TRUE(labData().searchSnapshot.isActive());
    db_->exec("update ISSLED set IMJA = 'Павел' where N_ISSLED = 1");
    EXPECT_EQ(shown(1, QStringLiteral("Имя")), QStringLiteral("Пётр"));
    search();
    EXPECT_EQ(shown(1, QStringLiteral("Имя")), QStringLiteral("Пётр")) << "still the snapshot";

    clickTab(0);
    EXPECT_FALSE(labData().searchSnapshot.isActive()) << "committed on the way back";
    EXPECT_FALSE(found().isActive());
    clickTab(1);
    typeText(page().surnameEdit, QStringLiteral("Иванов"));
    search();
    EXPECT_EQ(shown(1, QStringLiteral("Имя")), QStringLiteral("Павел"));
}

TEST_F(SearchTest, DoubleClickOpensTheCardWithResultsOfTheRecordsOwnType) {
    setPeriod(QDate(2026, 12, 1), QDate(2026, 12, 9));
    search();
    ASSERT_EQ(session().investigationType, 1) << "the journal shows type 1";
    found().locate("N_ISSLED", 3);
    int shownCards = 0;
    dialogs_.onModal = [&](QDialog* card) {
        ++shownCards;
        EXPECT_EQ(session().investigationKey, 3);
        EXPECT_EQ(card->windowTitle(), QStringLiteral("Данные исследования - Иммуноблот"));
        found().first();  // the user might do anything; the grid comes back to the record
        return 0;
    };
    testing_support::doubleClickCell(page().foundGrid, 3, 1);
    EXPECT_EQ(shownCards, 1);
    EXPECT_EQ(found().value("N_ISSLED").toInt(), 3);
    EXPECT_EQ(db_->scalar("select list(N_PRLAB || '/' || N_LISSL) from LAB_ISSL_BOL where "
                          "N_ISSLED = 3")
                  .toString(),
              QStringLiteral("23/2"));
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
}

TEST_F(SearchTest, ARecordWithoutATypeGetsNoResultRows) {
    db_->exec("update ISSLED set N_LISSL = null where N_ISSLED = 1");
    search();
    found().locate("N_ISSLED", 1);
    int shownCards = 0;
    dialogs_.onModal = [&](QDialog*) { return ++shownCards, 0; };
    page().openFoundRecord();
    EXPECT_EQ(shownCards, 1);
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 0);
}

TEST_F(SearchTest, ARecordDeletedSinceTheSearchIsNotRecreated) {
    search();
    found().locate("N_ISSLED", 4);
    db_->exec("delete from ISSLED where N_ISSLED = 4");
    dialogs_.onModal = [](QDialog*) {
        ADD_FAILURE() << "the card opened";
        return 0;
    };
    testing_support::doubleClickCell(page().foundGrid, foundKeys().indexOf(4), 0);
    ASSERT_EQ(dialogs_.texts().size(), 1);
    EXPECT_TRUE(dialogs_.texts()[0].startsWith(QStringLiteral("Запись не найдена")));
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 0);
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where N_ISSLED = 4").toInt(), 0);
}

TEST_F(SearchTest, DoubleClickWithNothingFoundOnlySaysSo) {
    dialogs_.onModal = [](QDialog*) {
        ADD_FAILURE() << "the card opened";
        return 0;
    };
    QTest::mouseDClick(page().foundGrid->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    typeText(page().surnameEdit, QStringLiteral("Никого"));
    EXPECT_TRUE(search().isEmpty());
    QTest::mouseDClick(page().foundGrid->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(dialogs_.texts(), (QStringList{QStringLiteral("Задайте метод исследования."),
                                             QStringLiteral("Задайте метод исследования.")}));
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 0);
}

TEST_F(SearchTest, GridMenuOffersTheExport) {
    EXPECT_EQ(page().foundMenu->actions(), QList<QAction*>{page().exportAction});
    EXPECT_EQ(page().exportAction->text(), QStringLiteral("Выгрузить в Excel"));
    EXPECT_TRUE(page().exportAction->isEnabled());
    EXPECT_EQ(page().foundGrid->contextMenuPolicy(), Qt::CustomContextMenu);
}

}  // namespace
