// The query builder window on a register of a few investigations: the criteria ticked and their
// panels closed as the user does it, the statement written and run, its rows sorted, saved,
// loaded and run again.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "data/clock.h"
#include "data/lab_data.h"
#include "journal/main_window.h"
#include "query/query_builder_window.h"
#include "query/query_text.h"
#include "reports/office/memory_office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"

namespace {

using Window = QueryBuilderWindow;

// Two types in NPP order 5, 3 (a third never used), two indicators, two institutions (one with
// an apostrophe), four investigations.
const QStringList registerSql{
    "insert into RECV_ST (COD, NAME) values (1, 'КДЛ')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (5, 'ИФА ВИЧ', 1)",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (3, 'Иммуноблот', 2)",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (7, 'ПЦР', 3)",
    "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (12, 'Антитела')",
    "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (13, 'gp41')",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 5, 12, 1)",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 3, 13, 1)",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 3, 12, 2)",
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница №1')",
    "insert into SP_LPU (COD_LPU, NAME) values (2, 'Клиника O''Brien')",
    "insert into SP_LPU (COD_LPU, NAME) values (3, 'Не отправлявшая')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, POL, DAT_R, DAT_REZULT, PR_LIVE) values "
    "(1, 5, 1, 'Ж', '2008-02-29', '2010-02-10', '0')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, POL, DAT_R, DAT_REZULT, PR_LIVE) values "
    "(2, 3, 1, 'м', '1990-05-05', '2010-03-31', '3')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, POL, DAT_R, DAT_REZULT, PR_LIVE) values "
    "(3, 3, 2, 'ж', '2000-01-01', '2010-04-01', '4')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, POL, DAT_R, DAT_REZULT, PR_LIVE) values "
    "(4, 5, 1, 'М', '2000-01-02', '2010-01-01', '0')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(1, 1, 5, 12, 'отр')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(2, 2, 3, 13, 'отр')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(3, 2, 3, 12, 'пол')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(4, 3, 3, 13, null)",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(5, 3, 3, 12, 'пол')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
    "(6, 4, 5, 12, 'пол')"};

QStringList entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

void setTicked(QListWidget* list, const QString& text, bool ticked = true) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString() << " in "
                               << entries(list).join('|').toStdString();
    list->setCurrentItem(found.first());
    found.first()->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

class QueryBuilderTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        office::setOffice(&office_);
        start(registerSql);
    }
    void TearDown() override {
        ProgramTest::TearDown();
        office::setOffice(nullptr);
    }
    office::MemoryOffice office_;

    Window& window() { return *(*program_)->queryBuilderWindow; }
    MainWindow& form() { return *(*program_)->mainWindow; }
    // Opens the window from the main menu, as the user does.
    void withWindow(const std::function<void()>& body) {
        bool shown = false;
        dialogs_.whileShown([this] { form().queryBuilderAction->trigger(); },
                            [&](QDialog* d) {
                                shown = d == &window() && d->isVisible();
                                body();
                            });
        ASSERT_TRUE(shown) << "the menu shows the query builder";
    }
    void tickCriterion(Window::Criterion k, bool ticked = true) {
        setTicked(window().criteriaList, window().criteriaList->item(k)->text(), ticked);
    }
    // Ticks a criterion with a list of values, ticks the entries and closes the panel.
    void pick(Window::Criterion k, const QStringList& values) {
        tickCriterion(k);
        ASSERT_TRUE(window().listPanels[k].frame->isVisible());
        for (const QString& v : values) setTicked(window().listPanels[k].list, v);
        window().listPanels[k].closeButton->click();
    }
    void period(const QString& from, const QString& to) {
        tickCriterion(Window::PeriodCriterion);
        testing_support::typeText(window().periodFrom, from);
        testing_support::typeText(window().periodTo, to);
        window().periodCloseButton->click();
    }
    // Grid rows as "type|indicator|...|count".
    QStringList rows() {
        QStringList out;
        QAbstractItemModel* m = window().resultGrid->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) cells << m->index(r, c).data().toString();
            out << cells.join('|');
        }
        return out;
    }
    QString display(Window::Criterion k) { return window().valuesList->item(k)->text(); }

    QTemporaryDir files_;
};

TEST_F(QueryBuilderTest, TheWorkedExampleThroughThePanels) {
    withWindow([&] {
        EXPECT_FALSE(window().resultGrid->isVisible());
        period("01012010", "31032010");
        EXPECT_EQ(display(Window::PeriodCriterion),
                  QStringLiteral("c  01.01.2010  по  31.03.2010"));

        tickCriterion(Window::TypeCriterion);
        EXPECT_FALSE(window().criteriaList->isEnabled());
        EXPECT_FALSE(window().generateButton->isEnabled());
        EXPECT_EQ(entries(window().typesList), (QStringList{"ИФА ВИЧ", "Иммуноблот"}))
            << "only types that occur, in NPP order";
        setTicked(window().typesList, QStringLiteral("Иммуноблот"));
        setTicked(window().typesList, QStringLiteral("ИФА ВИЧ"));
        window().chooseTypesButton->click();
        ASSERT_TRUE(window().indicatorsPanel->isVisible());
        EXPECT_EQ(entries(window().indicatorsList), (QStringList{"Антитела", "gp41"}));
        setTicked(window().indicatorsList, QStringLiteral("Антитела"));
        window().indicatorsCloseButton->click();
        EXPECT_EQ(display(Window::TypeCriterion), QStringLiteral("Антитела"));
        EXPECT_FALSE(window().typesPanel->isVisible());

        pick(Window::InstitutionCriterion, {QStringLiteral("Больница №1")});
        EXPECT_EQ(entries(window().listPanels[Window::InstitutionCriterion].list),
                  (QStringList{"Больница №1", "Клиника O'Brien"}));
        EXPECT_TRUE(window().generateButton->isEnabled());
        window().generateButton->click();

        {
            query::Criteria c;
            c.period = query::Period{QDate(2010, 1, 1), QDate(2010, 3, 31)};
            c.types = query::TypeSelection{{5, 3}, {12}};
            c.institutions = QStringList{QStringLiteral("Больница №1")};
            EXPECT_EQ(window().statement(), query::statementLines(c));
        }
        EXPECT_EQ(window().statement()[4],
                  QStringLiteral(" and   isl.n_lissl in (5,3)  and b.n_prlab in (12) "));
        EXPECT_TRUE(window().resultGrid->isVisible());
        EXPECT_EQ(rows(), (QStringList{"ИФА ВИЧ|Антитела|2", "Иммуноблот|Антитела|1"}));
        EXPECT_EQ(window().resultFooter->text(0), QStringLiteral("Всего"));
        EXPECT_EQ(window().resultFooter->text(1), "2");
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();

        // A click on the criteria list hides the rows that no longer match it.
        QListWidget* list = window().criteriaList;
        emit list->itemPressed(list->item(0));
        EXPECT_FALSE(window().resultGrid->isVisible());
    });
}

TEST_F(QueryBuilderTest, NoCriterionCountsEveryResultAndResultsModeEachValue) {
    withWindow([&] {
        window().generateButton->click();
        EXPECT_EQ(window().statement().size(), 4);
        EXPECT_EQ(rows(), (QStringList{"ИФА ВИЧ|Антитела|2", "Иммуноблот|gp41|1",
                                       "Иммуноблот|Антитела|2"}));
        window().resultsMode->setChecked(true);
        EXPECT_FALSE(window().resultGrid->isVisible()) << "the mode changed";
        window().generateButton->click();
        EXPECT_EQ(rows(), (QStringList{"ИФА ВИЧ|Антитела|отр|1", "ИФА ВИЧ|Антитела|пол|1",
                                       "Иммуноблот|gp41|отр|1", "Иммуноблот|Антитела|пол|2"}));
        EXPECT_EQ(window().resultFooter->text(1), "4");
    });
}

TEST_F(QueryBuilderTest, ListCriteriaCountTheirValues) {
    struct Case {
        Window::Criterion criterion;
        QStringList values;
        QString display;
        QStringList rows;
    };
    const Case cases[] = {
        {Window::SexCriterion, {"жен"}, "жен", {"ИФА ВИЧ|Антитела|1", "Иммуноблот|Антитела|1"}},
        {Window::SexCriterion,
         {"муж", "жен"},
         "муж, жен",
         {"ИФА ВИЧ|Антитела|2", "Иммуноблот|gp41|1", "Иммуноблот|Антитела|2"}},
        {Window::ResidenceCriterion,
         {"иногородний", "иностранный гражд."},
         "иногородний, иностранный гражд.",
         {"Иммуноблот|gp41|1", "Иммуноблот|Антитела|2"}},
        // The apostrophe is doubled: the name finds its investigation.
        {Window::InstitutionCriterion,
         {"Клиника O'Brien"},
         "Клиника O'Brien",
         {"Иммуноблот|Антитела|1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display.toStdString());
        withWindow([&] {
            pick(c.criterion, c.values);
            EXPECT_TRUE(window().isRecorded(c.criterion));
            EXPECT_EQ(display(c.criterion), c.display);
            window().generateButton->click();
            EXPECT_EQ(rows(), c.rows);
            EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();
        });
    }
}

TEST_F(QueryBuilderTest, APanelClosedWithNothingTickedRecordsNothing) {
    withWindow([&] {
        pick(Window::InstitutionCriterion, {});
        EXPECT_FALSE(window().isRecorded(Window::InstitutionCriterion));
        EXPECT_EQ(display(Window::InstitutionCriterion), QString());
        EXPECT_EQ(window().criteriaList->item(Window::InstitutionCriterion)->checkState(),
                  Qt::Checked);
        window().generateButton->click();
        EXPECT_EQ(window().statement().size(), 4);
    });
}

TEST_F(QueryBuilderTest, UntickingEmptiesADirectoryListSoItIsReadAgain) {
    withWindow([&] {
        pick(Window::InstitutionCriterion, {QStringLiteral("Больница №1")});
        tickCriterion(Window::InstitutionCriterion, false);
        EXPECT_EQ(display(Window::InstitutionCriterion), QString());
        EXPECT_FALSE(window().isRecorded(Window::InstitutionCriterion));
        db_->exec(QStringList{"insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU) values (9, 5, 3)"});
        tickCriterion(Window::InstitutionCriterion);
        EXPECT_EQ(entries(window().listPanels[Window::InstitutionCriterion].list),
                  (QStringList{"Больница №1", "Клиника O'Brien", "Не отправлявшая"}));
        window().listPanels[Window::InstitutionCriterion].closeButton->click();
    });
}

TEST_F(QueryBuilderTest, PeriodTextsAndReopeningStartsClean) {
    withWindow([&] {
        tickCriterion(Window::PeriodCriterion);
        testing_support::typeText(window().periodFrom, "05032010");
        EXPECT_EQ(window().periodTo->text(), "05.03.2010") << "С is copied into ПО";
        window().periodCloseButton->click();
        EXPECT_EQ(display(Window::PeriodCriterion), "05.03.2010");
        tickCriterion(Window::PeriodCriterion, false);
        EXPECT_EQ(window().periodFrom->text(), "..");
        period("01042010", "01032010");
        EXPECT_TRUE(window().isRecorded(Window::PeriodCriterion));
        EXPECT_EQ(display(Window::PeriodCriterion), QString());
        window().generateButton->click();
        EXPECT_EQ(rows(), QStringList{}) << "a reversed period finds nothing";
        pick(Window::SexCriterion, {"муж"});
    });
    withWindow([&] {
        for (int k = 0; k < Window::CriterionCount; ++k) {
            EXPECT_EQ(window().criteriaList->item(k)->checkState(), Qt::Unchecked);
            EXPECT_FALSE(window().isRecorded(Window::Criterion(k)));
            EXPECT_EQ(window().valuesList->item(k)->text(), QString());
        }
        EXPECT_FALSE(window().resultGrid->isVisible());
        EXPECT_EQ(entries(window().listPanels[Window::SexCriterion].list),
                  (QStringList{"муж", "жен"}));
    });
}

TEST_F(QueryBuilderTest, AnImpossiblePeriodDateIsRefusedAndTheTypingKept) {
    withWindow([&] {
        tickCriterion(Window::PeriodCriterion);
        testing_support::typeText(window().periodFrom, "01022010");
        testing_support::typeText(window().periodTo, "30022010");
        window().periodCloseButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_EQ(dialogs_.messages[0].text,
                  QStringLiteral("«30.02.2010» не является датой (поле «ПО»)."));
        EXPECT_TRUE(window().periodPanel->isVisible()) << "the panel stays for correction";
        EXPECT_EQ(window().periodTo->text(), "30.02.2010");
        EXPECT_FALSE(window().isRecorded(Window::PeriodCriterion));
        testing_support::typeText(window().periodTo, "28022010");
        window().periodCloseButton->click();
        EXPECT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_FALSE(window().periodPanel->isVisible());
        EXPECT_EQ(display(Window::PeriodCriterion), "c  01.02.2010  по  28.02.2010");
    });
}

TEST_F(QueryBuilderTest, AgeCountsCompletedYearsOnTheDay) {
    // Born: record 1 on 29.02.2008 (ИФА ВИЧ, "отр"), record 4 on 02.01.2000 (ИФА ВИЧ, "пол"),
    // record 3 on 01.01.2000 (Иммуноблот, "пол"), record 2 on 05.05.1990 (Иммуноблот, both).
    struct Case {
        QString comparison;
        QString years;
        QDate day;  // today: no period end is given
        QString display;
        QStringList rows;
    };
    const QString r1 = "ИФА ВИЧ|Антитела|отр|1", r4 = "ИФА ВИЧ|Антитела|пол|1";
    const Case cases[] = {
        // 29 February 2008 turns two on 1 March 2010.
        {">=",
         "2",
         QDate(2010, 2, 28),
         " >= 2 лет",
         {r4, "Иммуноблот|gp41|отр|1", "Иммуноблот|Антитела|пол|2"}},
        {">=",
         "2",
         QDate(2010, 3, 1),
         " >= 2 лет",
         {r1, r4, "Иммуноблот|gp41|отр|1", "Иммуноблот|Антитела|пол|2"}},
        {"=", "1", QDate(2010, 2, 28), " = 1 лет", {r1}},
        // Record 4's tenth birthday, and the day before it.
        {"=", "10", QDate(2010, 1, 2), " = 10 лет", {r4, "Иммуноблот|Антитела|пол|1"}},
        {"=", "10", QDate(2010, 1, 1), " = 10 лет", {"Иммуноблот|Антитела|пол|1"}},
        {"<=", "09", QDate(2010, 1, 1), " <= 09 лет", {r1, r4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.display + " " + c.day.toString()).toStdString());
        withWindow([&] {
            data::clock::setToday(c.day);
            window().resultsMode->setChecked(true);
            tickCriterion(Window::AgeCriterion);
            window().ageComparison->setCurrentText(c.comparison);
            testing_support::typeText(window().ageYears, c.years);
            window().ageCloseButton->click();
            EXPECT_EQ(display(Window::AgeCriterion), c.display);
            window().generateButton->click();
            EXPECT_EQ(rows(), c.rows) << window().statement().join('\n').toStdString();
        });
    }
}

TEST_F(QueryBuilderTest, TheAgeIsCountedOnThePeriodsEnd) {
    withWindow([&] {
        period("01012010", "01032010");
        tickCriterion(Window::AgeCriterion);
        testing_support::typeText(window().ageYears, "2");
        window().ageCloseButton->click();
        window().generateButton->click();
        EXPECT_TRUE(window().statement().contains(
            " and  isl.dat_r <= dateadd(-2 year to cast('01.03.2010' as date)) "));
        EXPECT_EQ(rows(), QStringList{"ИФА ВИЧ|Антитела|2"});
    });
}

TEST_F(QueryBuilderTest, TheAgeTakesOneOrTwoDigits) {
    withWindow([&] {
        tickCriterion(Window::AgeCriterion);
        testing_support::typeText(window().ageYears, "1x05");
        EXPECT_EQ(window().ageYears->text(), "10");
        window().ageCloseButton->click();
        tickCriterion(Window::AgeCriterion, false);
        tickCriterion(Window::AgeCriterion);
        window().ageYears->clear();
        window().ageCloseButton->click();
        EXPECT_FALSE(window().isRecorded(Window::AgeCriterion)) << "no number, not recorded";
    });
}

TEST_F(QueryBuilderTest, SavedFileIsReadBackAndRunsTheSameStatement) {
    const QString path = files_.filePath("query");
    withWindow([&] {
        pick(Window::InstitutionCriterion, {QStringLiteral("Больница №1")});
        window().generateButton->click();
        const QStringList generated = window().statement();
        dialogs_.fileNames = {path};
        window().saveAction->trigger();
        QFile file(path + ".sql");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the default extension";
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(bytes, query::fileText(generated));
        EXPECT_TRUE(
            bytes.contains("\xC1\xEE\xEB\xFC\xED\xE8\xF6\xE0 \xB9"
                           "1'"));
        EXPECT_EQ(bytes.count("\r\n"), generated.size());
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));

        pick(Window::SexCriterion, {"жен"});
        window().generateButton->click();
        EXPECT_NE(window().statement(), generated);
        dialogs_.fileNames = {path + ".sql"};
        window().executeAction->trigger();
        EXPECT_EQ(window().statement(), generated);
        EXPECT_EQ(rows(), (QStringList{"ИФА ВИЧ|Антитела|2", "Иммуноблот|gp41|1",
                                       "Иммуноблот|Антитела|1"}));
        EXPECT_EQ(window().resultFooter->text(1), "3");
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();

        window().showTextAction->trigger();
        EXPECT_TRUE(window().statementView->isVisible());
        EXPECT_EQ(window().statementView->toPlainText(), generated.join('\n'));
    });
}

TEST_F(QueryBuilderTest, ExecuteWithoutAStatementOrAFile) {
    withWindow([&] {
        dialogs_.fileNames = {QString()};  // cancelled
        window().executeAction->trigger();
        EXPECT_EQ(dialogs_.texts(), QStringList{"Текст запроса пуст."});
        dialogs_.messages.clear();
        const QString missing = files_.filePath("none.sql");
        dialogs_.fileNames = {missing};
        window().executeAction->trigger();
        EXPECT_EQ(dialogs_.texts(),
                  (QStringList{"Не найден файл " + missing, "Текст запроса пуст."}));
    });
}

TEST_F(QueryBuilderTest, ALoadedStatementThatWritesIsRefused) {
    const QString path = files_.filePath("delete.sql");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("delete from LAB_ISSL_BOL\r\n");
    file.close();
    withWindow([&] {
        window().generateButton->click();
        ASSERT_EQ(rows().size(), 3);
        dialogs_.fileNames = {path};
        window().executeAction->trigger();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("удаление записей (delete)")))
            << dialogs_.messages[0].text.toStdString();
        EXPECT_TRUE(window().resultGrid->isVisible()) << "the grid stays where it was";
        EXPECT_EQ(window().resultGrid->model()->rowCount(), 0);
    });
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 6);
}

// A loaded statement runs only when the server reports a select and it calls no generator;
// anything else is refused unsent, and the window's own select runs afterwards as before.
struct LoadedStatementCase {
    const char* name;
    const char* text;
    const char* refusal;  // a part of the message; empty: the statement runs
};

void PrintTo(const LoadedStatementCase& c, std::ostream* os) { *os << c.name; }

class LoadedStatementTest : public QueryBuilderTest,
                            public ::testing::WithParamInterface<LoadedStatementCase> {};

TEST_P(LoadedStatementTest, OnlyAPlainSelectRuns) {
    const LoadedStatementCase& c = GetParam();
    db_->exec("set generator GEN_ISSLED_ID to 500");
    const QString path = files_.filePath("loaded.sql");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(query::fileText(QString::fromUtf8(c.text).split('\n')));
    file.close();
    const QString all = files_.filePath("all.sql");
    QFile allFile(all);
    ASSERT_TRUE(allFile.open(QIODevice::WriteOnly));
    allFile.write(query::fileText(query::statementLines({})));
    allFile.close();
    withWindow([&] {
        dialogs_.fileNames = {path};
        window().executeAction->trigger();
        if (*c.refusal) {
            ASSERT_EQ(dialogs_.messages.size(), 1u);
            EXPECT_TRUE(dialogs_.messages[0].text.startsWith(
                QStringLiteral("Запрос не выполнен")))
                << dialogs_.messages[0].text.toStdString();
            EXPECT_TRUE(dialogs_.messages[0].text.contains(QString::fromUtf8(c.refusal)))
                << dialogs_.messages[0].text.toStdString();
        } else {
            EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(' ').toStdString();
            EXPECT_EQ(window().resultGrid->model()->rowCount(), 1);
        }
        // The window's transaction is its own still: the next run works.
        dialogs_.messages.clear();
        dialogs_.fileNames = {all};
        window().executeAction->trigger();
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(' ').toStdString();
        EXPECT_EQ(rows().size(), 3);
    });
    EXPECT_EQ(db_->scalar("select gen_id(GEN_ISSLED_ID, 0) from rdb$database").toInt(), 500)
        << "the generator did not move";
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_BOL").toInt(), 6);
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Loaded, LoadedStatementTest,
    ::testing::Values(
        LoadedStatementCase{"Commit", "commit", "(commit)"},
        LoadedStatementCase{"Rollback", "rollback", "(rollback)"},
        LoadedStatementCase{"SetGenerator", "set generator GEN_ISSLED_ID to 5", "set generator"},
        LoadedStatementCase{"Update", "update ISSLED set FAM = 'x'", "(update)"},
        LoadedStatementCase{"DeleteOtherAttachments",
                            "delete from mon$attachments\nwhere mon$attachment_id <> "
                            "current_connection",
                            "(delete)"},
        LoadedStatementCase{"ExecuteBlock",
                            "execute block as begin\n delete from LAB_ISSL_BOL;\nend",
                            "(execute)"},
        LoadedStatementCase{"BlockReturningRowsThatMovesTheGenerator",
                            "execute block returns (x bigint) as begin\n"
                            " execute statement 'select gen_id(gen_issled_id, -10) from "
                            "rdb$database' into :x;\n suspend;\nend",
                            "(execute)"},
        LoadedStatementCase{"GeneratorBehindAQuotedLiteral",
                            "select q'{'}' a, gen_id(gen_issled_id, -10) b, q'{'}' c from "
                            "rdb$database",
                            "gen_id"},
        LoadedStatementCase{"SelectForUpdate", "select FAM from ISSLED for update", "for update"},
        LoadedStatementCase{"SelectMovingTheGenerator",
                            "select gen_id(gen_issled_id, -10) from rdb$database", "gen_id"},
        LoadedStatementCase{"SelectTakingTheNextValue",
                            "select NEXT  VALUE FOR gen_issled_id from rdb$database",
                            "NEXT VALUE FOR"},
        LoadedStatementCase{"GeneratorOnlyInLiteralsAndComments",
                            "select 'gen_id(x, 1)' as \"gen_id(\", 1 /* gen_id( */\n"
                            "from rdb$database -- next value for g",
                            ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QueryBuilderTest, RunningLeavesTheMainTransactionsWorkAlone) {
    const QString path = files_.filePath("all.sql");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(query::fileText(query::statementLines({})));
    file.close();
    db::Transaction& main = labData().writeTransaction;
    main.ensureStarted();
    {
        db::Statement insert(main, "insert into SP_LPU (COD_LPU, NAME) values (50, 'Новая')");
        insert.execute();
    }
    const bool journalOpen = labData().journal.isActive();
    withWindow([&] {
        window().generateButton->click();
        EXPECT_EQ(rows().size(), 3);
        dialogs_.fileNames = {path};
        window().executeAction->trigger();
        EXPECT_EQ(rows().size(), 3);
    });
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();
    EXPECT_TRUE(main.isActive());
    EXPECT_EQ(labData().journal.isActive(), journalOpen);
    main.commit();
    EXPECT_EQ(db_->scalar("select count(*) from SP_LPU where COD_LPU = 50").toInt(), 1);
}

TEST_F(QueryBuilderTest, SortingByATitleRewritesTheOrderLine) {
    withWindow([&] {
        window().generateButton->click();
        QHeaderView* header = window().resultGrid->horizontalHeader();
        emit header->sectionClicked(2);
        EXPECT_EQ(window().statement().last(), QStringLiteral(" ORDER BY \"Количество\""));
        EXPECT_EQ(window().statement().size(), 4);
        emit header->sectionClicked(2);
        EXPECT_EQ(window().statement().last(), QStringLiteral(" ORDER BY \"Количество\" DESC "));
        const QStringList sorted = rows();
        ASSERT_EQ(sorted.size(), 3);
        EXPECT_EQ(sorted.last(), QStringLiteral("Иммуноблот|gp41|1"));
        EXPECT_TRUE(window().resultGrid->isVisible());
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();
    });
}

TEST_F(QueryBuilderTest, ExportWritesTheRowsAndAsksItsOwnQuestion) {
    withWindow([&] {
        window().generateButton->click();
        dialogs_.okAnswers = {false};
        window().exportAction->trigger();
        ASSERT_EQ(office_.sheets.size(), 1u);
        const office::MemorySheet& sheet = *office_.sheets[0];
        EXPECT_EQ(sheet.text(1, 1), QStringLiteral("Исследование"));
        EXPECT_EQ(sheet.text(1, 3), QStringLiteral("Количество"));
        EXPECT_EQ(sheet.text(3, 2), "gp41");
        EXPECT_EQ(sheet.text(4, 3), "2");
        EXPECT_TRUE(sheet.shown);
        EXPECT_FALSE(sheet.closed) << "the box was closed without OK";
        EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXEL?"});
    });
}

TEST_F(QueryBuilderTest, ChoosingWithNoTypeTickedLeavesTheTypesPanel) {
    withWindow([&] {
        tickCriterion(Window::TypeCriterion);
        window().chooseTypesButton->click();
        EXPECT_FALSE(window().typesPanel->isVisible());
        EXPECT_FALSE(window().indicatorsPanel->isVisible());
        EXPECT_TRUE(window().criteriaList->isEnabled());
        EXPECT_TRUE(window().generateButton->isEnabled());
        EXPECT_FALSE(window().isRecorded(Window::TypeCriterion));

        // Indicators closed with none ticked: the type alone filters.
        tickCriterion(Window::TypeCriterion, false);
        tickCriterion(Window::TypeCriterion);
        setTicked(window().typesList, QStringLiteral("Иммуноблот"));
        window().chooseTypesButton->click();
        window().indicatorsCloseButton->click();
        EXPECT_TRUE(window().isRecorded(Window::TypeCriterion));
        EXPECT_EQ(display(Window::TypeCriterion), QString());
        window().generateButton->click();
        EXPECT_EQ(window().statement()[2], QStringLiteral(" and   isl.n_lissl in (3) "));
        EXPECT_EQ(rows(), (QStringList{"Иммуноблот|gp41|1", "Иммуноблот|Антитела|2"}));
    });
}

TEST_F(QueryBuilderTest, AListThatFailsToFillLeavesTheWindowUsable) {
    withWindow([&] {
        db_->exec(QStringList{"alter table SP_VR alter column FIO to FIO2"});
        tickCriterion(Window::DoctorCriterion);
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains("FIO")) << "the database's message";
        EXPECT_FALSE(window().listPanels[Window::DoctorCriterion].frame->isVisible());
        EXPECT_EQ(window().criteriaList->item(Window::DoctorCriterion)->checkState(),
                  Qt::Unchecked);
        EXPECT_TRUE(window().criteriaList->isEnabled());
        EXPECT_TRUE(window().generateButton->isEnabled());
    });
}

TEST_F(QueryBuilderTest, AFailingStatementGivesTheQueryErrorAndHidesNoWindow) {
    withWindow([&] {
        window().generateButton->click();
        db_->exec(QStringList{"alter table SP_PRIZ_LAB_ISSL alter column NAME to NAME2"});
        window().generateButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.startsWith(
            QStringLiteral("Ошибка в запросе. Проверьте значения критериев!")));
        EXPECT_TRUE(dialogs_.messages[0].text.contains("NAME"))
            << "the database's own message follows";
        EXPECT_EQ(window().resultGrid->model()->rowCount(), 0);
    });
}

TEST_F(QueryBuilderTest, CopyPutsTheSelectedCellsOnTheClipboard) {
    withWindow([&] {
        window().generateButton->click();
        ui::DbGrid* grid = window().resultGrid;
        grid->setFocus();
        grid->selectionModel()->select(
            QItemSelection(grid->model()->index(1, 1), grid->model()->index(2, 2)),
            QItemSelectionModel::ClearAndSelect);
        QGuiApplication::clipboard()->clear();
        window().copyAction->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("gp41\t1\nАнтитела\t2"));

        // Two cells that are no rectangle: only they are copied, in their places.
        grid->selectionModel()->select(grid->model()->index(1, 1),
                                       QItemSelectionModel::ClearAndSelect);
        grid->selectionModel()->select(grid->model()->index(2, 2), QItemSelectionModel::Select);
        QGuiApplication::clipboard()->clear();
        window().copyAction->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("gp41\t\n\t2"));
    });
}

TEST_F(QueryBuilderTest, OpenShowsTheLoadedTextAndAClickHidesIt) {
    const QString path = files_.filePath("two.sql");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("select 7 as id from rdb$database\nwhere 1 = 1\n");
    file.close();
    withWindow([&] {
        dialogs_.fileNames = {path};
        window().openAction->trigger();
        EXPECT_EQ(window().statement(),
                  (QStringList{"select 7 as id from rdb$database", "where 1 = 1"}));
        ASSERT_TRUE(window().statementView->isVisible());
        EXPECT_EQ(window().statementView->toPlainText(),
                  QStringLiteral("select 7 as id from rdb$database\nwhere 1 = 1"));
        QTest::mouseClick(window().statementView->viewport(), Qt::LeftButton);
        EXPECT_FALSE(window().statementView->isVisible());

        // Sorting a loaded text whose last line is a condition keeps the condition.
        dialogs_.fileNames = {QString()};
        window().executeAction->trigger();
        EXPECT_EQ(rows(), QStringList{"7"});
        EXPECT_EQ(window().resultFooter->text(1), QString()) << "one column: no count";
        emit window().resultGrid->horizontalHeader()->sectionClicked(0);
        EXPECT_EQ(window().statement(),
                  (QStringList{"select 7 as id from rdb$database", "where 1 = 1", " ORDER BY ID"}));
        EXPECT_EQ(rows(), QStringList{"7"});
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();
    });
}

TEST_F(QueryBuilderTest, CtrlClickingTitlesSortsBySeveralColumnsInMarkingOrder) {
    withWindow([&] {
        window().resize(900, 700);
        window().generateButton->click();
        QHeaderView* header = window().resultGrid->horizontalHeader();
        const auto click = [&](int section, Qt::KeyboardModifiers modifiers) {
            const QPoint at(header->sectionViewportPosition(section) + 10, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
        };
        click(2, Qt::NoModifier);
        click(2, Qt::NoModifier);
        click(0, Qt::ControlModifier);
        EXPECT_EQ(window().statement().last(),
                  QStringLiteral(" ORDER BY \"Количество\" DESC , \"Исследование\""));
        EXPECT_EQ(window().markedSections(), (QList<std::pair<int, bool>>{{2, false}, {0, true}}));
        EXPECT_EQ(rows(), (QStringList{"ИФА ВИЧ|Антитела|2", "Иммуноблот|Антитела|2",
                                       "Иммуноблот|gp41|1"}));
        click(2, Qt::ControlModifier);  // a descending marker taken away
        EXPECT_EQ(window().statement().last(), QStringLiteral(" ORDER BY \"Исследование\""));
        click(0, Qt::ControlModifier);
        click(0, Qt::ControlModifier);
        EXPECT_EQ(window().statement().last(), QStringLiteral(" Group by s.name,s1.name"))
            << "no marker left: no order clause";
        EXPECT_TRUE(window().markedSections().isEmpty());
        EXPECT_EQ(rows().size(), 3);
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join('\n').toStdString();
    });
}

TEST_F(QueryBuilderTest, SavingReplacesAFileAndAFailedWriteIsReported) {
    const QString path = files_.filePath("old.sql");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("a much longer old text that must not survive in any part\r\n");
    old.close();
    withWindow([&] {
        window().generateButton->click();
        dialogs_.fileNames = {QString()};  // cancelled: nothing is written
        window().saveAction->trigger();
        dialogs_.fileNames = {path};
        window().saveAction->trigger();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), query::fileText(window().statement()));
        EXPECT_TRUE(dialogs_.messages.empty());

        dialogs_.fileNames = {files_.filePath("no such folder/q.sql")};
        window().saveAction->trigger();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains("no such folder"));
    });
}

TEST_F(QueryBuilderTest, ExitClosesTheWindowAndTheStatementStays) {
    QStringList generated;
    withWindow([&] {
        window().generateButton->click();
        generated = window().statement();
        window().exitAction->trigger();
        EXPECT_FALSE(window().isVisible());
    });
    EXPECT_EQ(window().statement(), generated);
    withWindow([&] {
        window().showTextAction->trigger();
        EXPECT_EQ(window().statementView->toPlainText(), generated.join('\n'));
    });
}

}  // namespace
