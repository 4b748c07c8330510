// "Отчеты / Сводка" driven as the head of the laboratory would: opened over the journal's
// selection, the selectors changed, "Показать" pressed, the figures read from the grids and the
// charts, a chart saved. The fixture's dates are designed so that every figure can be counted
// by hand: a reversed date, missing dates, a record without a type, percentiles that fall
// between two values, answers with and without a positive mark.
#include <gtest/gtest.h>

#include <QAbstractBarSeries>
#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QValueAxis>

#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "overview/overview_window.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/date_picker.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

namespace {

QStringList overviewFixture() {
    QStringList sql = {
        "insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
        "insert into SP_VR (COD_VR, FIO) values (1, 'Петров Иван Сергеевич')",
        "insert into SP_MS (COD_MS, FIO) values (1, 'Орлова Анна Петровна')",
        "insert into SP_MS (COD_MS, FIO) values (2, 'Лебедева Мария Ивановна')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME, NORMA_TIME_MS) values (20, "
        "'Антитела', 5, 10)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME, NORMA_TIME_MS) values (21, "
        "'КП', 2.5, 1)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME, NORMA_TIME_MS) values (23, "
        "'gp41', 3, 4)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 2)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 2, 23, 1)",
    };
    // key, type, institution, sampled, delivered, result, doctor, assistant
    const char* insert =
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, DAT_DOSTAV, DAT_REZULT, "
        "COD_VR, COD_MS, NPP, FAM) values ";
    for (const char* values : {
             "(1, 1, 1, '2026-12-01', '2026-12-01', '2026-12-03', 1, 1, 1, 'А')",
             "(2, 1, 1, '2026-12-02', '2026-12-03', '2026-12-04', null, 1, 2, 'Б')",
             "(3, 1, 2, '2026-12-02', '2026-12-05', '2026-12-09', 1, 2, 3, 'В')",
             "(4, 1, 1, '2026-12-08', '2026-12-08', null, 1, 2, 4, 'Г')",
             // delivered, by its dates, two days before it was sampled
             "(5, 1, 2, '2026-12-09', '2026-12-07', '2026-12-09', 1, 1, 5, 'Д')",
             "(6, 1, 1, '2026-11-28', '2026-11-28', '2026-11-30', 1, 1, 6, 'Е')",
             "(7, 2, 1, '2026-12-03', null, '2026-12-08', 1, 1, 7, 'Ж')",
             "(8, 2, 2, '2026-12-07', '2026-12-07', '2026-12-09', null, 2, 8, 'З')",
             "(9, null, 1, '2026-12-09', '2026-12-09', null, null, null, 9, 'И')"})
        sql << QString::fromUtf8(insert) + QString::fromUtf8(values);
    const char* result =
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values ";
    for (const char* values :
         {"(20, 1, 1, 'отрицательно')", "(21, 1, 1, '1:40')", "(20, 1, 2, 'Положительно')",
          "(21, 1, 2, null)", "(20, 1, 3, 'отрицательно')", "(21, 1, 3, '1:80')",
          "(20, 1, 4, 'ПОЛОЖИТЕЛЬНО ')", "(21, 1, 4, null)", "(20, 1, 5, 'отрицательно')",
          "(20, 1, 6, 'положительно')", "(23, 2, 7, 'сомнительно')", "(23, 2, 8, '+')",
          // an indicator outside its record's type: the period report does not count it
          "(23, 1, 1, '5')"})
        sql << QString::fromUtf8(result) + QString::fromUtf8(values);
    return sql;
}

class OverviewTest : public testing_support::ProgramTest {
protected:
    void SetUp() override { start(overviewFixture()); }

    MainWindow& form() { return *(*program_)->mainWindow; }

    // Opens "Сводка" from the menu; body runs while it is shown.
    void withOverview(const std::function<void(OverviewWindow&)>& body) {
        dialogs_.whileShown([&] { form().overviewAction->trigger(); },
                            [&](QDialog* d) { body(*qobject_cast<OverviewWindow*>(d)); });
    }

    static void choose(QComboBox* selector, const QString& text) {
        const int at = selector->findText(text);
        ASSERT_GE(at, 0) << text.toStdString();
        selector->setCurrentIndex(at);
    }

    static void showFor(OverviewWindow& w, const QString& institution, const QString& type,
                        const QDate& from, const QDate& to) {
        choose(w.institutionSelector, institution);
        choose(w.typeSelector, type);
        w.periodFrom->setDate(from);
        w.periodTo->setDate(to);
        w.showButton->click();
    }

    // A panel's grid as shown, one line per row, its visible cells joined.
    static QStringList gridOf(OverviewWindow& w, int panel) {
        QStringList rows;
        const QAbstractItemModel* model = w.panels[size_t(panel)].grid->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->index(r, c).data().toString();
            rows << cells.join(" | ");
        }
        return rows;
    }

    // The values of each bar set of a panel's chart: "set: v1 v2 ...".
    static QStringList barsOf(OverviewWindow& w, int panel) {
        QStringList sets;
        for (QAbstractSeries* series : w.panels[size_t(panel)].chartView->chart()->series()) {
            auto* bars = qobject_cast<QAbstractBarSeries*>(series);
            if (!bars) continue;
            for (QBarSet* set : bars->barSets()) {
                QStringList values;
                for (int i = 0; i < set->count(); ++i) values << QString::number(set->at(i));
                sets << set->label() + ": " + values.join(' ');
            }
        }
        return sets;
    }
};

const QDate kFrom(2026, 12, 1), kTo(2026, 12, 9);

TEST_F(OverviewTest, OpensOnTheJournalsSelectionAndCountsEachDayByType) {
    form().journalPage->periodFrom->setDate(kFrom);
    form().journalPage->periodTo->setDate(kTo);
    withOverview([&](OverviewWindow& w) {
        // The journal's type and institution (the first in its list) are the defaults.
        EXPECT_EQ(w.typeSelector->currentText(),
                  form().journalPage->typeSelector->currentText());
        EXPECT_EQ(w.periodFrom->date(), kFrom);
        EXPECT_EQ(w.periodTo->date(), kTo);

        showFor(w, "Все ЛПУ", "Все виды исследований", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Workload),
                  (QStringList{"01.12.2026 | ИФА ВИЧ | 1", "02.12.2026 | ИФА ВИЧ | 2",
                               "03.12.2026 | Иммуноблот | 1", "07.12.2026 | Иммуноблот | 1",
                               "08.12.2026 | ИФА ВИЧ | 1", "09.12.2026 | ИФА ВИЧ | 1",
                               "09.12.2026 | Без вида исследования | 1"}));
        EXPECT_EQ(barsOf(w, OverviewWindow::Workload),
                  (QStringList{"ИФА ВИЧ: 1 2 0 0 1 1", "Иммуноблот: 0 0 1 1 0 0",
                               "Без вида исследования: 0 0 0 0 0 1"}));
        EXPECT_EQ(w.panels[OverviewWindow::Workload].box->title(),
                  "Нагрузка: исследований по дням, всего 8");

        // One institution, then one type.
        showFor(w, "Больница", "Все виды исследований", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Workload),
                  (QStringList{"02.12.2026 | ИФА ВИЧ | 1", "07.12.2026 | Иммуноблот | 1",
                               "09.12.2026 | ИФА ВИЧ | 1"}));
        showFor(w, "Все ЛПУ", "Иммуноблот", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Workload),
                  (QStringList{"03.12.2026 | Иммуноблот | 1", "07.12.2026 | Иммуноблот | 1"}));
    });
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
}

TEST_F(OverviewTest, PastSixtyTwoDaysTheWorkloadIsCountedPerWeekFromMonday) {
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", QDate(2026, 10, 1), kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Workload),
                  (QStringList{"23.11.2026 | ИФА ВИЧ | 1", "30.11.2026 | ИФА ВИЧ | 3",
                               "30.11.2026 | Иммуноблот | 1", "07.12.2026 | ИФА ВИЧ | 2",
                               "07.12.2026 | Иммуноблот | 1",
                               "07.12.2026 | Без вида исследования | 1"}));
        EXPECT_EQ(w.panels[OverviewWindow::Workload].grid->model()->headerData(0, Qt::Horizontal),
                  "Неделя с");
        EXPECT_EQ(w.panels[OverviewWindow::Workload].box->title(),
                  "Нагрузка: исследований по неделям, всего 9");
    });
}

// Type 1 sampling to delivery: 0, 0, 1, 3 days (and one reversed): the median lies halfway
// between 0 and 1, the 90th percentile at 1 + 0.7 × (3 − 1). Delivery to result: 1, 2, 2, 4
// (and one with no result date).
// More days than the foot can name one by one: every n-th is named, level, at its bar.
TEST_F(OverviewTest, ALongRunOfDaysNamesEveryFewOfThemAlongTheFoot) {
    QStringList more;
    for (int day = 1; day <= 30; ++day)
        more << QStringLiteral("insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED) values "
                               "(%1, 1, 1, '%2')")
                    .arg(100 + day)
                    .arg(QDate(2026, 11, day).toString(Qt::ISODate));
    db_->exec(more);
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", QDate(2026, 11, 1), kTo);
        QCategoryAxis* foot = nullptr;
        for (QAbstractAxis* axis :
             w.panels[OverviewWindow::Workload].chartView->chart()->axes(Qt::Horizontal))
            foot = qobject_cast<QCategoryAxis*>(axis);
        ASSERT_NE(foot, nullptr);
        // 30 days of November and the fixture's 6 of December: 36 bars, every 3rd named.
        EXPECT_EQ(foot->min(), -0.5);
        EXPECT_EQ(foot->max(), 35.5);
        ASSERT_EQ(foot->categoriesLabels().size(), 12);
        EXPECT_EQ(foot->categoriesLabels().first(), QStringLiteral("1 нояб"));
        EXPECT_EQ(foot->categoriesLabels()[1], QStringLiteral("4 нояб"));
        EXPECT_EQ(foot->endValue(foot->categoriesLabels()[1]), 3);
        EXPECT_EQ(foot->labelsAngle(), 0);
    });
}

TEST_F(OverviewTest, TurnaroundIsTheMedianAndNinetiethPercentileWithFaultyDatesApart) {
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Turnaround),
                  (QStringList{
                      "ИФА ВИЧ | от взятия до доставки | 4 | 0,5 | 2,4 | 0 | 1",
                      "ИФА ВИЧ | от доставки до результата | 4 | 2,0 | 3,4 | 1 | 0",
                      "Иммуноблот | от взятия до доставки | 1 | 0,0 | 0,0 | 1 | 0",
                      "Иммуноблот | от доставки до результата | 1 | 2,0 | 2,0 | 1 | 0",
                      "Без вида исследования | от взятия до доставки | 1 | 0,0 | 0,0 | 0 | 0",
                      "Без вида исследования | от доставки до результата | 0 |  |  | 1 | 0"}));
        EXPECT_EQ(barsOf(w, OverviewWindow::Turnaround),
                  (QStringList{"медиана до доставки: 0.5 0 0", "90% до доставки: 2.4 0 0",
                               "медиана до результата: 2 2 0", "90% до результата: 3.4 2 0"}));
        EXPECT_EQ(w.panels[OverviewWindow::Turnaround].box->title(),
                  "Сроки выполнения, дней (отдельно: нет данных — 4, ошибка дат — 1)");
    });
}

TEST_F(OverviewTest, StaffCountTheirResultsAndNormMinutesAsThePeriodReportDoes) {
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Staff),
                  (QStringList{"Лаборант | Орлова Анна Петровна | 5 | 35,00",
                               "Лаборант | Лебедева Мария Ивановна | 4 | 25,00",
                               "Врач | Петров Иван Сергеевич | 7 | 28,00",
                               "Врач | не указан | 2 | 8,00"}));
        EXPECT_EQ(barsOf(w, OverviewWindow::Staff),
                  (QStringList{"Результатов: 5 4 7 2", "Минут по нормам: 35 25 28 8"}));
        // Names by initials; "не указан" is no name and stays whole.
        QStringList people;
        QValueAxis* scale = nullptr;
        for (QAbstractAxis* axis : w.panels[OverviewWindow::Staff].chartView->chart()->axes()) {
            if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
                people = categories->categories();
            if (auto* values = qobject_cast<QValueAxis*>(axis)) scale = values;
        }
        EXPECT_EQ(people, (QStringList{"Орлова А.П. (лаб.)", "Лебедева М.И. (лаб.)",
                                       "Петров И.С. (врач)", "не указан (врач)"}));
        // 35 minutes at most: ticks every 10 up to 40.
        ASSERT_NE(scale, nullptr);
        EXPECT_EQ(scale->max(), 40);
        EXPECT_EQ(scale->tickCount(), 5);
    });
}

TEST_F(OverviewTest, PositivityCountsEachAnswerPerWeekAndSaysWhichArePositive) {
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", kFrom, kTo);
        EXPECT_EQ(gridOf(w, OverviewWindow::Positivity),
                  (QStringList{"30.11.2026 | положительно | 1 | 25,0",
                               "30.11.2026 | отрицательно | 2 | 25,0",
                               "30.11.2026 | сомнительно | 1 | 25,0",
                               "07.12.2026 | + | 1 | 66,7", "07.12.2026 | положительно | 1 | 66,7",
                               "07.12.2026 | отрицательно | 1 | 66,7"}));
        QLineSeries* share = nullptr;
        for (QAbstractSeries* s : w.panels[OverviewWindow::Positivity].chartView->chart()->series())
            if (auto* line = qobject_cast<QLineSeries*>(s)) share = line;
        ASSERT_NE(share, nullptr);
        EXPECT_EQ(share->points(), (QList<QPointF>{{0, 25.0}, {1, 66.7}}));
        // Counts of a few answers tick at whole numbers: 4 at most, 0 to 4 by one.
        QStringList scales;
        for (QAbstractAxis* axis :
             w.panels[OverviewWindow::Positivity].chartView->chart()->axes(Qt::Vertical))
            if (auto* values = qobject_cast<QValueAxis*>(axis))
                scales << QStringLiteral("%1 %2 %3")
                              .arg(values->titleText())
                              .arg(values->max())
                              .arg(values->tickCount());
        EXPECT_EQ(scales, (QStringList{"Ответов 4 5", "% 100 5"}));
        EXPECT_TRUE(share->name().contains("«полож» или «+»")) << share->name().toStdString();
        EXPECT_EQ(w.panels[OverviewWindow::Positivity].box->title(),
                  "Положительные результаты по неделям (положительными считаются: "
                  "положительно, +)");
    });
}

TEST_F(OverviewTest, AChartIsSavedAsPictureOrPdfAndAReversedPeriodIsRefused) {
    QTemporaryDir dir;
    withOverview([&](OverviewWindow& w) {
        showFor(w, "Все ЛПУ", "Все виды исследований", kFrom, kTo);
        dialogs_.fileNames = {dir.filePath("нагрузка.png"), dir.filePath("сроки.pdf")};
        w.panels[OverviewWindow::Workload].saveButton->click();
        w.panels[OverviewWindow::Turnaround].saveButton->click();
        EXPECT_FALSE(QImage(dir.filePath("нагрузка.png")).isNull());
        QFile pdf(dir.filePath("сроки.pdf"));
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(pdf.read(5) == "%PDF-");

        w.periodFrom->setDate(kTo);
        w.periodTo->setDate(kFrom);
        w.showButton->click();
        EXPECT_EQ(dialogs_.texts(), QStringList{"Начало периода позже его конца."});
        // What was shown stays.
        EXPECT_EQ(gridOf(w, OverviewWindow::Workload).size(), 7);
    });
}

}  // namespace
