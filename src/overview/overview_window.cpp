#include "overview/overview_window.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QBarSeries>
#include <QCategoryAxis>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>

#include "data/clock.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "reports/grid_export.h"
#include "ui/date_picker.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

namespace {

const QLocale& russian() {
    static const QLocale locale(QLocale::Russian, QLocale::Russia);
    return locale;
}

// The pointer shows the program busy while the panels are read.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

const char* const kTitles[OverviewWindow::PanelCount] = {
    "Нагрузка", "Сроки выполнения", "Сотрудники", "Положительные результаты"};

// The figures of a dataset's rows, read in its order.
template <typename F>
void eachRow(data::Dataset& dataset, F&& f) {
    if (!dataset.isActive()) return;
    for (dataset.first(); !dataset.eof(); dataset.next()) f(dataset);
    dataset.first();
}

double number(const QVariant& value) {
    if (value.userType() == qMetaTypeId<db::Decimal>())
        return value.value<db::Decimal>().toDouble();
    return value.toDouble();
}

// A day on a chart's axis: "10 авг".
QString shortDate(const QDate& date) {
    QString text = russian().toString(date, QStringLiteral("d MMM"));
    if (text.endsWith(u'.')) text.chop(1);
    return text;
}

// "Зайцева Т.Ю." of "Зайцева Татьяна Юрьевна"; a text that is no name of capitalised words
// ("не указан", a surname alone) as it is.
QString initials(const QString& fullName) {
    const QStringList words = fullName.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2) return fullName;
    for (const QString& word : words)
        if (!word.front().isUpper()) return fullName;
    QString text = words[0] + u' ';
    for (qsizetype i = 1; i < words.size(); ++i) text += words[i].left(1) + u'.';
    return text;
}

// The labels of a chart's foot or side, a little smaller than the chart's own text.
void smallLabels(QAbstractAxis* axis) {
    QFont small = axis->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    axis->setLabelsFont(small);
}

// Many categories along a chart's foot stand upright, so that each one's label fits its bar.
QBarCategoryAxis* categoryAxis(const QStringList& categories, bool upright = true) {
    auto* axis = new QBarCategoryAxis;
    axis->append(categories);
    smallLabels(axis);
    if (upright && categories.size() > 6) axis->setLabelsAngle(-90);
    return axis;
}

// The days or weeks along a chart's foot. Past what the foot can name one by one, every n-th is
// named, level, on its bar's middle: the bars stand at 0, 1, 2… of a value axis.
constexpr int kNamedAlongTheFoot = 16;
QAbstractAxis* periodAxis(const QStringList& periods) {
    if (periods.size() <= kNamedAlongTheFoot) return categoryAxis(periods);
    auto* axis = new QCategoryAxis;
    axis->setRange(-0.5, double(periods.size()) - 0.5);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const qsizetype every = (periods.size() + 11) / 12;
    for (qsizetype i = 0; i < periods.size(); i += every) axis->append(periods[i], double(i));
    smallLabels(axis);
    axis->setGridLineVisible(false);
    axis->setTruncateLabels(false);
    return axis;
}

// Counts per day (or week) and label, stacked into a bar of each label over the days in the
// order they came.
class StackedByDate {
public:
    void add(const QDate& date, const QString& label, int count) {
        if (!dates_.contains(date)) dates_ << date;
        if (!labels_.contains(label)) labels_ << label;
        counts_[{label, date}] += count;
    }
    const QList<QDate>& dates() const { return dates_; }
    QStackedBarSeries* series() const {
        auto* series = new QStackedBarSeries;
        for (const QString& label : labels_) {
            auto* set = new QBarSet(label);
            for (const QDate& date : dates_) *set << counts_.value({label, date});
            series->append(set);
        }
        return series;
    }
    QStringList categories() const {
        QStringList days;
        for (const QDate& date : dates_) days << shortDate(date);
        return days;
    }

private:
    QList<QDate> dates_;
    QStringList labels_;
    QMap<std::pair<QString, QDate>, int> counts_;
};

// A count's axis ticks at round whole steps (1, 2, 5, 10, 20, 50…), six ticks at most, up to the
// first step at or above its largest value: a chart of a few records reads 0, 1, 2 rather than
// 0, 0, 1, 1, 1. Called once the axis has its series.
void tickWholeNumbers(QValueAxis* axis) {
    const double top = std::max(axis->max(), 1.0);
    double step = 1;
    for (double scale = 1; top / step > 5; scale *= 10) {
        for (double base : {1.0, 2.0, 5.0}) {
            step = base * scale;
            if (top / step <= 5) break;
        }
    }
    const double max = std::ceil(top / step - 1e-9) * step;
    axis->setRange(0, max);
    axis->setTickCount(int(std::lround(max / step)) + 1);
}

QValueAxis* valueAxis(const QString& title, bool whole) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    // Whole numbers as "%.0f": the localized labels take no "%d" of a double.
    axis->setLabelFormat(whole ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    axis->setMin(0);
    return axis;
}

}  // namespace

OverviewWindow::OverviewWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent), labData(lab), overview(lab.mainConnection) {
    setObjectName("OverviewWindow");
    setWindowTitle(QStringLiteral("Сводка"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    resize(1250, 860);

    auto* layout = new QVBoxLayout(this);
    auto* chosen = new QHBoxLayout;
    institutionSelector = new QComboBox(this);
    institutionSelector->setMinimumWidth(220);
    typeSelector = new QComboBox(this);
    typeSelector->setMinimumWidth(220);
    periodFrom = new ui::DatePicker(QStringLiteral("Дата с.."), this);
    periodTo = new ui::DatePicker(QStringLiteral("по.."), this);
    showButton = new QPushButton(QStringLiteral("Показать"), this);
    showButton->setDefault(true);
    chosen->addWidget(new QLabel(QStringLiteral("ЛПУ"), this));
    chosen->addWidget(institutionSelector);
    chosen->addWidget(new QLabel(QStringLiteral("Вид исследования"), this));
    chosen->addWidget(typeSelector);
    chosen->addWidget(new QLabel(QStringLiteral("Дата с.."), this));
    chosen->addWidget(periodFrom);
    chosen->addWidget(new QLabel(QStringLiteral("по.."), this));
    chosen->addWidget(periodTo);
    chosen->addWidget(showButton);
    chosen->addStretch(1);
    layout->addLayout(chosen);

    auto* grid = new QGridLayout;
    data::DataSource* sources[PanelCount] = {&overview.workloadSource, &overview.turnaroundSource,
                                             &overview.staffSource, &overview.positivitySource};
    for (int k = 0; k < PanelCount; ++k) {
        PanelWidgets& p = panels[size_t(k)];
        p.box = new QGroupBox(QString::fromUtf8(kTitles[k]), this);
        auto* inside = new QVBoxLayout(p.box);
        p.chartView = new QChartView(p.box);
        p.chartView->setRenderHint(QPainter::Antialiasing);
        p.chartView->setMinimumHeight(230);
        inside->addWidget(p.chartView, 3);
        p.grid = new ui::DbGrid(p.box);
        p.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        p.grid->setDataSource(sources[k]);
        inside->addWidget(p.grid, 2);
        auto* buttons = new QHBoxLayout;
        p.saveButton = new QPushButton(QStringLiteral("Сохранить рисунок"), p.box);
        p.exportButton = new QPushButton(QStringLiteral("Выгрузить в Excel"), p.box);
        for (QPushButton* b : {p.saveButton, p.exportButton}) {
            b->setAutoDefault(false);
            buttons->addWidget(b);
        }
        buttons->addStretch(1);
        inside->addLayout(buttons);
        grid->addWidget(p.box, k / 2, k % 2);
        connect(p.saveButton, &QPushButton::clicked, this,
                ui::command(this, [this, k] { savePicture(k); }));
        connect(p.exportButton, &QPushButton::clicked, this,
                ui::command(this, [this, k] { exportFigures(k); }));
        newChart(k);
    }
    layout->addLayout(grid, 1);

    auto* bottom = new QHBoxLayout;
    exitButton = new QPushButton(QStringLiteral("Выход"), this);
    exitButton->setAutoDefault(false);
    bottom->addStretch(1);
    bottom->addWidget(exitButton);
    layout->addLayout(bottom);

    connect(showButton, &QPushButton::clicked, this, ui::command(this, [this] { showOverview(); }));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
}

void OverviewWindow::setSelection(const data::OverviewSelection& selection) {
    wanted_ = selection;
}

void OverviewWindow::fillSelectors() {
    const QSignalBlocker quietInstitutions(institutionSelector);
    const QSignalBlocker quietTypes(typeSelector);
    institutionSelector->clear();
    typeSelector->clear();
    institutionSelector->addItem(QStringLiteral("Все ЛПУ"), 0);
    typeSelector->addItem(QStringLiteral("Все виды исследований"), 0);
    labData.institutions.close();
    labData.institutions.open();
    eachRow(labData.institutions, [&](data::Dataset& d) {
        institutionSelector->addItem(d.value("NAME").toString(), d.value("COD_LPU").toInt());
    });
    labData.typeList.close();
    labData.typeList.open();
    eachRow(labData.typeList, [&](data::Dataset& d) {
        typeSelector->addItem(d.value("NAME").toString(), d.value("N_LISSL").toInt());
    });
    institutionSelector->setCurrentIndex(
        std::max(0, institutionSelector->findData(wanted_.institution)));
    typeSelector->setCurrentIndex(std::max(0, typeSelector->findData(wanted_.type)));
}

void OverviewWindow::openWindow() {
    fillSelectors();
    const QDate today = data::clock::today();
    periodFrom->setDate(wanted_.from.isValid() ? wanted_.from : today.addDays(1 - today.day()));
    periodTo->setDate(wanted_.to.isValid() ? wanted_.to : today);
    showOverview();
}

data::OverviewSelection OverviewWindow::selection() const {
    data::OverviewSelection s;
    s.institution = institutionSelector->currentData().toInt();
    s.type = typeSelector->currentData().toInt();
    s.from = periodFrom->date();
    s.to = periodTo->date();
    return s;
}

void OverviewWindow::showOverview() {
    const data::OverviewSelection s = selection();
    if (s.from > s.to) {
        ui::showError(this, QStringLiteral("Начало периода позже его конца."));
        return;
    }
    {
        const BusyPointer busy;
        weekly_ = s.weekly();
        overview.read(s);
    }
    drawWorkload();
    drawTurnaround();
    drawStaff();
    drawPositivity();
    for (PanelWidgets& p : panels) p.grid->resizeColumnsToContents();
}

QChart* OverviewWindow::newChart(int panel) {
    auto* chart = new QChart;
    chart->setLocale(russian());
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QFont small = chart->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    chart->legend()->setFont(small);
    chart->setMargins(QMargins(4, 4, 4, 4));
    QChartView* view = panels[size_t(panel)].chartView;
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
    return chart;
}

void OverviewWindow::drawWorkload() {
    QChart* chart = newChart(Workload);
    // Periods along the axis in their order, a stacked bar of each type.
    StackedByDate periods;
    int total = 0;
    eachRow(overview.workload, [&](data::Dataset& row) {
        const int n = row.value("INVESTIGATIONS").toInt();
        periods.add(row.value("PERIOD_START").toDate(), row.value("TYPE_NAME").toString(), n);
        total += n;
    });
    QStackedBarSeries* series = periods.series();
    chart->addSeries(series);
    QAbstractAxis* x = periodAxis(periods.categories());
    QValueAxis* y = valueAxis(QStringLiteral("Исследований"), true);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    tickWholeNumbers(y);
    panels[Workload].box->setTitle(
        QStringLiteral("Нагрузка: исследований по %1, всего %2")
            .arg(weekly_ ? QStringLiteral("неделям") : QStringLiteral("дням"))
            .arg(total));
}

void OverviewWindow::drawTurnaround() {
    QChart* chart = newChart(Turnaround);
    QStringList types;
    // (measure, median or 90th) → days per type
    std::map<std::pair<int, int>, QList<double>> days;
    int noData = 0, dateErrors = 0;
    eachRow(overview.turnaround, [&](data::Dataset& row) {
        const QString type = row.value("TYPE_NAME").toString();
        if (!types.contains(type)) types << type;
        const int measure = row.value("MEASURE").toInt();
        const qsizetype at = types.indexOf(type);
        for (int which = 0; which < 2; ++which) {
            QList<double>& line = days[{measure, which}];
            while (line.size() <= at) line << 0;
            line[at] = number(row.value(which == 0 ? "MEDIAN_DAYS" : "P90_DAYS"));
        }
        noData += row.value("NO_DATA").toInt();
        dateErrors += row.value("DATE_ERROR").toInt();
    });
    auto* series = new QBarSeries;
    const QString names[2][2] = {
        {QStringLiteral("медиана до доставки"), QStringLiteral("90% до доставки")},
        {QStringLiteral("медиана до результата"), QStringLiteral("90% до результата")}};
    for (int measure = 1; measure <= 2; ++measure) {
        for (int which = 0; which < 2; ++which) {
            auto* set = new QBarSet(names[measure - 1][which]);
            QList<double> line = days[{measure, which}];
            while (line.size() < types.size()) line << 0;
            for (double v : line) *set << v;
            series->append(set);
        }
    }
    chart->addSeries(series);
    QBarCategoryAxis* x = categoryAxis(types);
    QValueAxis* y = valueAxis(QStringLiteral("Дней"), false);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    y->applyNiceNumbers();
    panels[Turnaround].box->setTitle(
        QStringLiteral("Сроки выполнения, дней (отдельно: нет данных — %1, ошибка дат — %2)")
            .arg(noData)
            .arg(dateErrors));
}

void OverviewWindow::drawStaff() {
    QChart* chart = newChart(Staff);
    QStringList people;
    QList<double> results, minutes;
    eachRow(overview.staff, [&](data::Dataset& row) {
        const bool doctor = row.value("ROLE").toString() == QStringLiteral("Врач");
        people << initials(row.value("PERSON").toString()) +
                      (doctor ? QStringLiteral(" (врач)") : QStringLiteral(" (лаб.)"));
        results << row.value("RESULTS").toDouble();
        minutes << number(row.value("MINUTES"));
    });
    auto* series = new QHorizontalBarSeries;
    auto* resultSet = new QBarSet(QStringLiteral("Результатов"));
    auto* minuteSet = new QBarSet(QStringLiteral("Минут по нормам"));
    for (double v : results) *resultSet << v;
    for (double v : minutes) *minuteSet << v;
    series->append(resultSet);
    series->append(minuteSet);
    chart->addSeries(series);
    QBarCategoryAxis* y = categoryAxis(people, false);
    y->setTruncateLabels(false);
    QValueAxis* x = valueAxis(QString(), true);
    chart->addAxis(y, Qt::AlignLeft);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(y);
    series->attachAxis(x);
    tickWholeNumbers(x);
    double totalResults = 0;
    for (double v : results) totalResults += v;
    panels[Staff].box->setTitle(
        QStringLiteral("Сотрудники: результатов и минут по нормам (результатов у лаборантов и "
                       "врачей: %1)")
            .arg(russian().toString(totalResults, 'f', 0)));
}

void OverviewWindow::drawPositivity() {
    QChart* chart = newChart(Positivity);
    StackedByDate weeks;
    QMap<QDate, double> share;
    QStringList positive;
    eachRow(overview.positivity, [&](data::Dataset& row) {
        const QDate week = row.value("WEEK_START").toDate();
        const QString answer = row.value("ANSWER").toString();
        if (row.value("POSITIVE").toInt() == 1 && !positive.contains(answer)) positive << answer;
        weeks.add(week, answer, row.value("ANSWERS").toInt());
        share[week] = number(row.value("POSITIVE_SHARE"));
    });
    QStackedBarSeries* bars = weeks.series();
    chart->addSeries(bars);
    auto* line = new QLineSeries;
    QStringList marks;
    for (const QString& mark : data::positiveAnswerMarks()) marks << QStringLiteral("«%1»").arg(mark);
    line->setName(QStringLiteral("Доля положительных, %: ответы с %1").arg(marks.join(" или ")));
    for (qsizetype i = 0; i < weeks.dates().size(); ++i)
        line->append(double(i), share.value(weeks.dates()[i]));
    chart->addSeries(line);
    QAbstractAxis* x = periodAxis(weeks.categories());
    QValueAxis* count = valueAxis(QStringLiteral("Ответов"), true);
    QValueAxis* percent = valueAxis(QStringLiteral("%"), true);
    percent->setRange(0, 100);
    percent->setTickCount(5);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(count, Qt::AlignLeft);
    chart->addAxis(percent, Qt::AlignRight);
    bars->attachAxis(x);
    bars->attachAxis(count);
    line->attachAxis(x);
    line->attachAxis(percent);
    tickWholeNumbers(count);
    panels[Positivity].box->setTitle(
        QStringLiteral("Положительные результаты по неделям (положительными считаются: %1)")
            .arg(positive.isEmpty() ? QStringLiteral("нет таких ответов") : positive.join(", ")));
}

void OverviewWindow::savePicture(int panel) {
    const QString path = ui::dialogs().saveFileName(
        this, QStringLiteral("Сохранить рисунок"), QString(),
        QStringLiteral("Рисунок PNG (*.png);;Документ PDF (*.pdf)"));
    if (path.isEmpty()) return;
    QChartView* view = panels[size_t(panel)].chartView;
    bool saved = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        QPdfWriter pdf(path);
        pdf.setTitle(panels[size_t(panel)].box->title());
        pdf.setPageOrientation(QPageLayout::Landscape);
        QPainter painter;
        saved = painter.begin(&pdf);
        if (saved) {
            view->render(&painter);
            saved = painter.end();
        }
    } else {
        QString file = path;
        if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".png");
        saved = view->grab().save(file, "PNG");
    }
    if (!saved)
        ui::showError(this, QStringLiteral("Не удалось сохранить рисунок в файл %1").arg(path));
}

void OverviewWindow::exportFigures(int panel) {
    reports::exportGrid(*panels[size_t(panel)].grid, labData.session, this);
}

void OverviewWindow::windowClosing() {
    overview.close();
}
