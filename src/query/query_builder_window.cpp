#include "query/query_builder_window.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <stdexcept>

#include "data/clock.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "query/query_lists.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

namespace {

struct CriterionText {
    const char* entry;  // in the criteria list
    const char* panel;  // the panel's caption
};

const CriterionText criterionTexts[QueryBuilderWindow::CriterionCount] = {
    {"Период (дата результата)", "Период"},
    {"Вид исследования", "Вид исследования"},
    {"Пол", "Пол"},
    {"Возраст", "Возраст пациента"},
    {"Страна", "Страна"},
    {"Житель города-села", "Житель города/села"},
    {"Территория", "Территория"},
    {"Район", "Район прописки"},
    {"ЛПУ", "ЛПУ"},
    {"Отделение", "Отделения"},
    {"Код обследования", "Код обследования"},
    {"Бюджет", "Бюджет"},
    {"Врач", "Врачи"},
    {"Лаборант", "Лаборанты"},
    {"Код МКБ10", "Диагноз(МКБ10)"},
};

// The directory whose values occurring in the register each criterion's list offers; none for
// the period, the age and the fixed lists.
const std::optional<query::ValuesOf> listValues[QueryBuilderWindow::CriterionCount] = {
    std::nullopt,
    query::ValuesOf::Types,
    std::nullopt,
    std::nullopt,
    query::ValuesOf::Countries,
    std::nullopt,
    query::ValuesOf::Territories,
    query::ValuesOf::Districts,
    query::ValuesOf::Institutions,
    query::ValuesOf::Departments,
    query::ValuesOf::ExaminationCodes,
    query::ValuesOf::FundingSources,
    query::ValuesOf::Doctors,
    query::ValuesOf::LabAssistants,
    query::ValuesOf::Diagnoses,
};

QStringList tickedTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) texts << list->item(i)->text();
    return texts;
}

QList<int> tickedKeys(const QListWidget* list, const QStringList& keys) {
    QList<int> ticked;
    for (int i = 0; i < list->count() && i < keys.size(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) ticked << keys[i].toInt();
    return ticked;
}

void addCheckable(QListWidget* list, const QString& text) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

QDate dateOf(const QString& text) {
    return QDate::fromString(text, data::kDateFormat);
}

// The sort markers of every marked column, drawn over the titles: pointing down for ascending,
// up for descending.
class SortMarkers : public QWidget {
public:
    SortMarkers(QHeaderView* header, std::function<QList<std::pair<int, bool>>()> marked)
        : QWidget(header->viewport()), header_(header), marked_(std::move(marked)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        header->viewport()->installEventFilter(this);
        const auto repaint = [this] { update(); };
        connect(header, &QHeaderView::sectionResized, this, repaint);
        connect(header, &QHeaderView::sectionMoved, this, repaint);
        connect(header, &QHeaderView::geometriesChanged, this, repaint);
        connect(header, &QHeaderView::sectionCountChanged, this, repaint);
        resize(header->viewport()->size());
        show();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) resize(header_->viewport()->size());
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(palette().color(QPalette::WindowText));
        painter.setPen(Qt::NoPen);
        for (const auto& [section, ascending] : marked_()) {
            if (header_->isSectionHidden(section)) continue;
            const int right =
                header_->sectionViewportPosition(section) + header_->sectionSize(section) - 6;
            const int middle = height() / 2;
            const QPolygon triangle =
                ascending ? QPolygon({QPoint(right - 8, middle - 2), QPoint(right, middle - 2),
                                      QPoint(right - 4, middle + 3)})
                          : QPolygon({QPoint(right - 8, middle + 3), QPoint(right, middle + 3),
                                      QPoint(right - 4, middle - 2)});
            painter.drawPolygon(triangle);
        }
    }

private:
    QHeaderView* header_;
    std::function<QList<std::pair<int, bool>>()> marked_;
};

}  // namespace

QueryBuilderWindow::QueryBuilderWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent),
      labData(lab),
      readTransaction_(lab.mainConnection, {db::Isolation::ReadCommitted, db::Access::ReadOnly}) {
    setObjectName("QueryBuilderWindow");
    setWindowTitle(QStringLiteral("Создание запросов к базе данных"));
    resize(900, 680);
    auto* layout = new QVBoxLayout(this);

    // Menu and tool bar.
    auto* menuBar = new QMenuBar(this);
    layout->setMenuBar(menuBar);
    auto action = [this](const QString& caption, const QString& hint, const char* name) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        return a;
    };
    saveAction = action(QStringLiteral("Сохранить"), QStringLiteral("Сохранить текст запроса"),
                        "saveAction");
    showTextAction = action(QStringLiteral("Текст"), QStringLiteral("Просмотреть текст запроса"),
                            "showTextAction");
    executeAction =
        action(QStringLiteral("Выполнить"), QStringLiteral("Выполнить запрос"), "executeAction");
    exportAction = action(QStringLiteral("Выгрузить в EXCEL"),
                          QStringLiteral("Выгрузить в Excel результат запроса"), "exportAction");
    exitAction = action(QStringLiteral("Выход"), {}, "exitAction");
    openAction = action(QStringLiteral("Открыть"), {}, "openAction");
    openAction->setVisible(false);
    for (QAction* a :
         {saveAction, showTextAction, executeAction, exportAction, openAction, exitAction})
        menuBar->addAction(a);
    auto* toolBar = new QToolBar(this);
    for (QAction* a : {saveAction, showTextAction, executeAction, exportAction, openAction})
        toolBar->addAction(a);
    layout->addWidget(toolBar);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(splitter, 1);

    // Criteria area: mode, the two lists, "Сформировать"; the panels float above the values.
    criteriaArea_ = new QWidget(splitter);
    auto* area = new QVBoxLayout(criteriaArea_);
    auto* modeBox = new QGroupBox(QStringLiteral("Режим отбора"), criteriaArea_);
    auto* modeLayout = new QHBoxLayout(modeBox);
    countMode = new QRadioButton(QStringLiteral("Количество"), modeBox);
    resultsMode = new QRadioButton(QStringLiteral("Результаты"), modeBox);
    countMode->setChecked(true);
    modeLayout->addWidget(countMode);
    modeLayout->addWidget(resultsMode);
    modeLayout->addStretch(1);
    area->addWidget(modeBox, 0, Qt::AlignLeft);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Критерии отбора (группировки):"), criteriaArea_), 0,
                     0);
    lists->addWidget(new QLabel(QStringLiteral("Значения критериев:"), criteriaArea_), 0, 1);
    criteriaList = new QListWidget(criteriaArea_);
    valuesList = new QListWidget(criteriaArea_);
    for (const CriterionText& t : criterionTexts) {
        addCheckable(criteriaList, QString::fromUtf8(t.entry));
        valuesList->addItem(QString());
    }
    // Both lists show their fifteen rows whole.
    for (QListWidget* l : {criteriaList, valuesList}) {
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        l->setFixedHeight(l->sizeHintForRow(0) * CriterionCount + 2 * l->frameWidth() + 2);
    }
    criteriaList->setFixedWidth(criteriaList->sizeHintForColumn(0) +
                                2 * criteriaList->frameWidth() + 8);
    lists->addWidget(criteriaList, 1, 0);
    lists->addWidget(valuesList, 1, 1);
    area->addLayout(lists, 1);
    generateButton = new QPushButton(QStringLiteral("Сформировать"), criteriaArea_);
    generateButton->setAutoDefault(false);
    area->addWidget(generateButton, 0, Qt::AlignLeft);

    auto makePanel = [this](const QString& caption) {
        auto* frame = new QFrame(criteriaArea_);
        frame->setFrameShape(QFrame::Panel);
        frame->setFrameShadow(QFrame::Raised);
        frame->setAutoFillBackground(true);
        auto* l = new QVBoxLayout(frame);
        l->addWidget(new QLabel(caption, frame));
        frame->hide();
        return frame;
    };
    auto closeButton = [](QFrame* frame, const QString& caption = QStringLiteral("Закрыть")) {
        auto* b = new QPushButton(caption, frame);
        b->setAutoDefault(false);
        frame->layout()->addWidget(b);
        return b;
    };

    // Period.
    periodPanel = makePanel(QStringLiteral("Период"));
    {
        auto* row = new QHBoxLayout;
        periodFrom = new QLineEdit(periodPanel);
        periodTo = new QLineEdit(periodPanel);
        row->addWidget(new QLabel(QStringLiteral("С"), periodPanel));
        row->addWidget(periodFrom);
        row->addWidget(new QLabel(QStringLiteral("ПО"), periodPanel));
        row->addWidget(periodTo);
        for (QLineEdit* e : {periodFrom, periodTo}) e->setInputMask(QStringLiteral("99.99.9999"));
        static_cast<QVBoxLayout*>(periodPanel->layout())->addLayout(row);
        periodCloseButton = closeButton(periodPanel);
        periodPanel->resize(300, 100);
    }
    connect(periodFrom, &QLineEdit::textChanged, periodTo, &QLineEdit::setText);

    // Types and indicators.
    typesPanel = makePanel(QStringLiteral("Вид исследования"));
    typesList = new QListWidget(typesPanel);
    typesPanel->layout()->addWidget(typesList);
    chooseTypesButton = closeButton(typesPanel, QStringLiteral("Выбрать"));
    typesPanel->resize(205, 260);
    indicatorsPanel = makePanel(QStringLiteral("Показатели"));
    indicatorsList = new QListWidget(indicatorsPanel);
    indicatorsPanel->layout()->addWidget(indicatorsList);
    indicatorsCloseButton = closeButton(indicatorsPanel);
    indicatorsPanel->resize(300, 260);

    // Age.
    agePanel = makePanel(QStringLiteral("Возраст пациента"));
    {
        auto* row = new QHBoxLayout;
        ageComparison = new QComboBox(agePanel);
        ageComparison->addItems({QStringLiteral(">="), QStringLiteral("<="), QStringLiteral("=")});
        ageYears = new QLineEdit(agePanel);
        ageYears->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{1,2}")), ageYears));
        ageYears->setMaximumWidth(40);
        row->addWidget(ageComparison);
        row->addWidget(ageYears);
        row->addWidget(new QLabel(QStringLiteral("ЛЕТ"), agePanel));
        static_cast<QVBoxLayout*>(agePanel->layout())->addLayout(row);
        ageCloseButton = closeButton(agePanel);
        agePanel->resize(200, 100);
    }

    // The panels of value lists.
    for (int k = 0; k < CriterionCount; ++k) {
        if (k == PeriodCriterion || k == TypeCriterion || k == AgeCriterion) continue;
        ListPanel& p = listPanels[k];
        p.frame = makePanel(QString::fromUtf8(criterionTexts[k].panel));
        p.list = new QListWidget(p.frame);
        p.frame->layout()->addWidget(p.list);
        p.closeButton = closeButton(p.frame);
        p.values = listValues[k];
        p.frame->resize(300, k == SexCriterion || k == ResidenceCriterion ? 190 : 260);
        connect(p.closeButton, &QPushButton::clicked, this,
                ui::command(this, [this, k] { closeListPanel(k); }));
    }
    for (const char* sex : {"муж", "жен"}) addCheckable(listPanels[SexCriterion].list, sex);
    for (const char* place :
         {"города", "области", "неизвестно", "иногородний", "иностранный гражд."})
        addCheckable(listPanels[ResidenceCriterion].list, QString::fromUtf8(place));

    // The statement laid over the criteria area.
    statementView = new QPlainTextEdit(this);
    statementView->setReadOnly(true);
    statementView->hide();
    statementView->viewport()->installEventFilter(this);

    // Result.
    auto* resultArea = new QWidget(splitter);
    auto* resultLayout = new QVBoxLayout(resultArea);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultGrid = new ui::DbGrid(resultArea);
    resultGrid->setDataSource(&resultSource_);
    resultGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    resultGrid->horizontalHeader()->setSortIndicatorShown(false);
    sortMarkers_ =
        new SortMarkers(resultGrid->horizontalHeader(), [this] { return markedSections(); });
    connect(resultGrid->horizontalScrollBar(), &QScrollBar::valueChanged, sortMarkers_,
            qOverload<>(&QWidget::update));
    resultGrid->horizontalHeader()->setSectionsClickable(true);
    resultGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    gridExportAction = new QAction(QStringLiteral("Выгрузка в Excel"), resultGrid);
    gridExportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    copyAction = new QAction(QStringLiteral("Копировать в буфер"), resultGrid);
    copyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    for (QAction* a : {gridExportAction, copyAction}) {
        a->setShortcutContext(Qt::WidgetShortcut);
        resultGrid->addAction(a);
    }
    resultLayout->addWidget(resultGrid, 1);
    resultFooter = new ui::GridFooter(resultGrid, resultArea);
    QFont bold = resultFooter->font();
    bold.setBold(true);
    resultFooter->setFont(bold);
    resultFooter->setColors(QColor(192, 192, 192), QColor(0, 0, 128));
    resultLayout->addWidget(resultFooter);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);

    // Events.
    connect(criteriaList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!updatingCriteria_) ui::guarded(this, [this, item] { criterionToggled(item); });
    });
    connect(criteriaList, &QListWidget::itemPressed, this, [this] { hideResult(); });
    connect(countMode, &QRadioButton::toggled, this, [this] { hideResult(); });
    connect(generateButton, &QPushButton::clicked, this, ui::command(this, [this] { generate(); }));
    connect(periodCloseButton, &QPushButton::clicked, this,
            ui::command(this, [this] { closePeriodPanel(); }));
    connect(ageCloseButton, &QPushButton::clicked, this,
            ui::command(this, [this] { closeAgePanel(); }));
    connect(chooseTypesButton, &QPushButton::clicked, this,
            ui::command(this, [this] { chooseTypes(); }));
    connect(indicatorsCloseButton, &QPushButton::clicked, this,
            ui::command(this, [this] { closeIndicatorsPanel(); }));
    connect(saveAction, &QAction::triggered, this, ui::command(this, [this] { saveStatement(); }));
    connect(showTextAction, &QAction::triggered, this,
            ui::command(this, [this] { showStatement(); }));
    connect(executeAction, &QAction::triggered, this, ui::command(this, [this] { execute(); }));
    connect(openAction, &QAction::triggered, this, ui::command(this, [this] { openStatement(); }));
    connect(exportAction, &QAction::triggered, this, ui::command(this, [this] { exportResult(); }));
    connect(gridExportAction, &QAction::triggered, this,
            ui::command(this, [this] { exportResult(); }));
    connect(copyAction, &QAction::triggered, this, ui::command(this, [this] { copySelection(); }));
    connect(exitAction, &QAction::triggered, this, &QDialog::close);
    connect(resultGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { ui::guarded(this, [this, column] { headerClicked(column); }); });
}

QueryBuilderWindow::~QueryBuilderWindow() {
    resultSource_.setDataset(nullptr);
    result_.reset();
}

void QueryBuilderWindow::openWindow() {
    hideResult();
    updatingCriteria_ = true;
    for (int k = 0; k < CriterionCount; ++k) {
        recorded_[k] = false;
        valuesList->item(k)->setText(QString());
        criteriaList->item(k)->setCheckState(Qt::Unchecked);
        criteriaList->item(k)->setData(Qt::UserRole, false);
    }
    updatingCriteria_ = false;
    ageYears->clear();
    typesList->clear();
    indicatorsList->clear();
    typeKeys_.clear();
    indicatorKeys_.clear();
    for (ListPanel& p : listPanels)
        if (p.list && p.values) p.list->clear();
    for (QFrame* panel : {periodPanel, typesPanel, indicatorsPanel, agePanel}) panel->hide();
    for (ListPanel& p : listPanels)
        if (p.frame) p.frame->hide();
    statementView->hide();
    criteriaList->setEnabled(true);
    typesList->setEnabled(true);
    generateButton->setEnabled(true);
}

void QueryBuilderWindow::done(int result) {
    typeKeys_.clear();
    indicatorKeys_.clear();
    ModalWindow::done(result);
}

bool QueryBuilderWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statementView->viewport() && event->type() == QEvent::MouseButtonPress)
        statementView->hide();
    return ModalWindow::eventFilter(watched, event);
}

// --- criteria

void QueryBuilderWindow::criterionToggled(QListWidgetItem* item) {
    const int k = criteriaList->row(item);
    const bool ticked = item->checkState() == Qt::Checked;
    if (item->data(Qt::UserRole).toBool() == ticked) return;  // not a change of the tick
    item->setData(Qt::UserRole, ticked);
    criteriaList->setCurrentRow(k);
    if (ticked)
        tickCriterion(k);
    else
        untickCriterion(k);
}

void QueryBuilderWindow::tickCriterion(int k) {
    criteriaList->setEnabled(false);
    generateButton->setEnabled(false);
    const auto failed = [this, k] {
        // The window stays usable: the criterion is left unticked.
        updatingCriteria_ = true;
        criteriaList->item(k)->setCheckState(Qt::Unchecked);
        criteriaList->item(k)->setData(Qt::UserRole, false);
        updatingCriteria_ = false;
        criteriaList->setEnabled(true);
        generateButton->setEnabled(true);
    };
    switch (k) {
        case PeriodCriterion:
            showPanel(periodPanel, 70, 170);
            return;
        case AgeCriterion:
            showPanel(agePanel, 70, 170);
            return;
        case TypeCriterion:
            if (typesList->count() == 0 &&
                !fillList(
                    typesList,
                    [this] { return query::readValues(readTransaction_, query::ValuesOf::Types); },
                    &typeKeys_))
                return failed();
            typesList->setEnabled(true);
            showPanel(typesPanel, 12, 170);
            return;
        default:
            break;
    }
    ListPanel& p = listPanels[k];
    if (p.values && p.list->count() == 0 &&
        !fillList(
            p.list, [&] { return query::readValues(readTransaction_, *p.values); }, nullptr))
        return failed();
    const bool fixed = k == SexCriterion || k == ResidenceCriterion;
    showPanel(p.frame, fixed ? 70 : 12, 170);
}

void QueryBuilderWindow::untickCriterion(int k) {
    recorded_[k] = false;
    setDisplay(k, QString());
    if (k == TypeCriterion) {
        typesList->clear();
        indicatorsList->clear();
        typeKeys_.clear();
        indicatorKeys_.clear();
    } else if (listPanels[k].list && listPanels[k].values) {
        listPanels[k].list->clear();
    }
    if (k == PeriodCriterion) {
        periodFrom->clear();
        periodTo->clear();
        periodFromText_.clear();
        periodToText_.clear();
    }
}

bool QueryBuilderWindow::fillList(QListWidget* list, const std::function<query::ValueList()>& read,
                                  QStringList* keys) {
    return ui::guarded(this, [&] {
        const query::ValueList values = read();
        list->clear();
        for (const QString& name : values.names) addCheckable(list, name);
        if (keys) *keys = values.keys;
    });
}

void QueryBuilderWindow::showPanel(QFrame* panel, int top, int left) {
    panel->move(left, top);
    panel->setEnabled(true);
    panel->show();
    panel->raise();
}

void QueryBuilderWindow::panelClosed(QFrame* panel) {
    panel->hide();
    panel->setEnabled(false);
    generateButton->setEnabled(true);
}

void QueryBuilderWindow::setDisplay(int k, const QString& text) {
    valuesList->item(k)->setText(text);
}

void QueryBuilderWindow::closeListPanel(int k) {
    criteriaList->setEnabled(true);
    const QStringList ticked = tickedTexts(listPanels[k].list);
    // A ticked value counts even when its text is blank: a diagnosis of spaces is one.
    if (!ticked.isEmpty()) recorded_[k] = true;
    setDisplay(k, ticked.join(QStringLiteral(", ")));
    panelClosed(listPanels[k].frame);
}

void QueryBuilderWindow::closePeriodPanel() {
    // A typed date that is no date stays in its field for correction; the panel stays open.
    for (QLineEdit* edit : {periodFrom, periodTo}) {
        const QString text = edit->text();
        if (QString(text).remove(u'.').trimmed().isEmpty() || dateOf(text).isValid()) continue;
        ui::showError(
            this, QStringLiteral("«%1» не является датой (поле «%2»).")
                      .arg(text, edit == periodFrom ? QStringLiteral("С") : QStringLiteral("ПО")));
        edit->setFocus();
        return;
    }
    criteriaList->setEnabled(true);
    const QDate from = dateOf(periodFrom->text()), to = dateOf(periodTo->text());
    if (from.isValid() && to.isValid()) {
        periodFromText_ = periodFrom->text();
        periodToText_ = periodTo->text();
        if (!recorded_[PeriodCriterion]) {
            QString text;
            if (from == to)
                text = periodFromText_;
            else if (from < to)
                text = "c  " + periodFromText_ + QStringLiteral("  по  ") + periodToText_;
            recorded_[PeriodCriterion] = true;
            setDisplay(PeriodCriterion, text);
        }
    } else {
        periodFromText_.clear();
        periodToText_.clear();
    }
    panelClosed(periodPanel);
}

void QueryBuilderWindow::closeAgePanel() {
    criteriaList->setEnabled(true);
    QString text;
    const QDate to = dateOf(periodTo->text());
    ageReference_ = to.isValid() ? to : data::clock::today();
    if (!recorded_[AgeCriterion] && !ageYears->text().isEmpty()) {
        text = " " + ageComparison->currentText() + " " + ageYears->text() + QStringLiteral(" лет");
        recorded_[AgeCriterion] = true;
    }
    setDisplay(AgeCriterion, text);
    panelClosed(agePanel);
}

void QueryBuilderWindow::chooseTypes() {
    const QList<int> types = tickedKeys(typesList, typeKeys_);
    if (types.isEmpty()) {
        // Nothing to choose indicators of: the panel is left, the criterion not recorded.
        criteriaList->setEnabled(true);
        panelClosed(typesPanel);
        return;
    }
    typesList->setEnabled(false);
    indicatorsList->clear();
    if (!fillList(
            indicatorsList, [&] { return query::readIndicatorsOf(readTransaction_, types); },
            &indicatorKeys_)) {
        typesList->setEnabled(true);
        return;
    }
    generateButton->setEnabled(false);
    showPanel(indicatorsPanel, 17, 382);
}

void QueryBuilderWindow::closeIndicatorsPanel() {
    typesList->setEnabled(true);
    criteriaList->setEnabled(true);
    setDisplay(TypeCriterion, tickedTexts(indicatorsList).join(QStringLiteral(", ")));
    recorded_[TypeCriterion] = true;
    panelClosed(indicatorsPanel);
    panelClosed(typesPanel);
}

void QueryBuilderWindow::hideResult() {
    resultGrid->hide();
    resultGrid->setEnabled(false);
    resultFooter->hide();
}

query::Criteria QueryBuilderWindow::recordedCriteria() const {
    query::Criteria c;
    c.mode = resultsMode->isChecked() ? query::Mode::Results : query::Mode::Count;
    if (recorded_[PeriodCriterion] && !periodFromText_.isEmpty() && !periodToText_.isEmpty())
        c.period = query::Period{dateOf(periodFromText_), dateOf(periodToText_)};
    if (recorded_[TypeCriterion])
        c.types = query::TypeSelection{tickedKeys(typesList, typeKeys_),
                                       tickedKeys(indicatorsList, indicatorKeys_)};
    if (recorded_[SexCriterion]) {
        const QListWidget* sexes = listPanels[SexCriterion].list;
        c.sexes = query::Sexes{sexes->item(0)->checkState() == Qt::Checked,
                               sexes->item(1)->checkState() == Qt::Checked};
    }
    if (recorded_[AgeCriterion]) {
        bool number = false;
        const int years = ageYears->text().toInt(&number);
        if (!number) throw std::runtime_error("age");
        c.age =
            query::Age{query::AgeComparison(ageComparison->currentIndex()), years, ageReference_};
    }
    if (recorded_[ResidenceCriterion]) {
        QList<int> positions;
        const QListWidget* places = listPanels[ResidenceCriterion].list;
        for (int i = 0; i < places->count(); ++i)
            if (places->item(i)->checkState() == Qt::Checked) positions << i;
        c.residence = positions;
    }
    const std::pair<Criterion, std::optional<QStringList> query::Criteria::*> names[] = {
        {CountryCriterion, &query::Criteria::countries},
        {TerritoryCriterion, &query::Criteria::territories},
        {DistrictCriterion, &query::Criteria::districts},
        {InstitutionCriterion, &query::Criteria::institutions},
        {DepartmentCriterion, &query::Criteria::departments},
        {ExaminationCodeCriterion, &query::Criteria::examinationCodes},
        {FundingSourceCriterion, &query::Criteria::fundingSources},
        {DoctorCriterion, &query::Criteria::doctors},
        {LabAssistantCriterion, &query::Criteria::labAssistants},
        {DiagnosisCriterion, &query::Criteria::diagnoses}};
    for (const auto& [k, member] : names)
        if (recorded_[k]) c.*member = tickedTexts(listPanels[k].list);
    return c;
}
