#include "journal/search_page.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "card/research_card.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "data/residence.h"
#include "journal/search_criteria.h"
#include "journal/search_statement.h"
#include "reports/grid_export.h"
#include "ui/date_picker.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: navy;"));
    return label;
}

QLineEdit* dateEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setInputMask(QStringLiteral("99.99.9999;_"));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 12);
    return edit;
}

// The control (a range: the two) a criterion is typed or chosen in.
std::vector<QWidget*> makeControls(const SearchCriterion& criterion, QWidget* parent) {
    auto lineEdit = [&] {
        auto* edit = new QLineEdit(parent);
        if (criterion.width > 0) edit->setFixedWidth(criterion.width);
        if (criterion.maxLength > 0) edit->setMaxLength(criterion.maxLength);
        return edit;
    };
    switch (criterion.control) {
        case CriterionControl::Text:
        case CriterionControl::Number:
            return {lineEdit()};
        case CriterionControl::NumberRange:
            return {lineEdit(), lineEdit()};
        case CriterionControl::Date:
            return {dateEdit(parent)};
        case CriterionControl::FixedList: {
            auto* list = new QComboBox(parent);
            list->setEditable(true);
            list->addItems(criterion.items);
            if (criterion.maxLength > 0) list->lineEdit()->setMaxLength(criterion.maxLength);
            if (criterion.width > 0) list->setFixedWidth(criterion.width);
            return {list};
        }
        case CriterionControl::Selector: {
            auto* combo = new ui::DbLookupComboBox(parent);
            combo->setMinimumWidth(190);
            combo->setMaxVisibleItems(16);
            if (criterion.listWidth > 0) combo->view()->setMinimumWidth(criterion.listWidth);
            return {combo};
        }
    }
    return {};
}

}  // namespace

SearchPage::SearchPage(LabData& lab, QWidget* parent)
    : QWidget(parent),
      labData(lab),
      session(lab.session),
      found(lab.searchSnapshot, "found"),
      foundSource(&found, "foundSource") {
    // The journal's fields; the grid's own captions name five of them here, and nothing is
    // edited.
    const QHash<QString, QString> labels = {{"PR_LIVE", QStringLiteral("Житель города\\ села")},
                                            {"COD_OBSL", QStringLiteral("Код обсл.")},
                                            {"GOS", QStringLiteral("Страна")},
                                            {"TER", QStringLiteral("Территория")},
                                            {"RAION", QStringLiteral("Район")}};
    QList<data::FieldSpec> fields = investigationListFields();
    for (data::FieldSpec& field : fields) {
        field.label = labels.value(field.name, field.label);
        field.readOnly = true;
    }
    found.declareFields(fields);
    buildControls();
    nameControls();
    bindControls();
}

QWidget* SearchPage::criterionControl(const QString& param, int part) const {
    const std::vector<SearchCriterion>& all = searchCriteria();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].params.contains(param)) return criterionControls_[i].at(size_t(part));
    return nullptr;
}

void SearchPage::nameControls() {
    auto edit = [this](const char* param, int part = 0) {
        return static_cast<QLineEdit*>(criterionControl(QString::fromLatin1(param), part));
    };
    auto list = [this](const char* param) {
        return static_cast<QComboBox*>(criterionControl(QString::fromLatin1(param)));
    };
    auto selector = [this](const char* param) {
        return static_cast<ui::DbLookupComboBox*>(criterionControl(QString::fromLatin1(param)));
    };
    uniqueNumberEdit = edit("nom");
    cardNumberEdit = edit("nom_kart");
    surnameEdit = edit("fam");
    firstNameEdit = edit("imja");
    patronymicEdit = edit("otch");
    sexSelector = list("pol");
    ageFromEdit = edit("age_from");
    ageToEdit = edit("age_from", 1);
    typeSelector = selector("n_lissl");
    countrySelector = selector("cod_gos");
    residenceSelector = list("pr_live");
    territorySelector = selector("cod_ter");
    districtSelector = selector("cod_raion");
    institutionSelector = selector("cod_lpu");
    departmentSelector = selector("cod_otd");
    examinationCodeSelector = selector("n_kon");
    fundingSourceSelector = selector("n_ifin");
    samplingDateEdit = edit("dat_issled");
    deliveryDateEdit = edit("dat_dostav");
    resultDateEdit = edit("dat_rezult");
    doctorSelector = selector("cod_vr");
    labAssistantSelector = selector("cod_ms");
    diagnosisEdit = edit("diag_cod");
}

void SearchPage::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);

    auto* box = new QGroupBox(split);
    box->setMinimumHeight(265);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    auto put = [&](int row, int column, const QString& text, QWidget* control) {
        grid->addWidget(caption(text, box), row, column * 2, Qt::AlignRight);
        grid->addWidget(control, row, column * 2 + 1);
    };
    // Two controls on one row of the grid, a caption between them.
    auto pair = [&](QWidget* first, const QString& between, QWidget* second) {
        auto* row = new QWidget(box);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(first);
        layout->addWidget(caption(between, row));
        layout->addWidget(second);
        layout->addStretch(1);
        return row;
    };

    periodFrom = new ui::DatePicker(QStringLiteral("Дата с.."), box);
    periodTo = new ui::DatePicker(QStringLiteral("по.."), box);
    put(0, 0, QStringLiteral("Дата с.."), pair(periodFrom, QStringLiteral("по.."), periodTo));

    // Each criterion's controls in its cell; one beside the criterion before it stands in the
    // same cell after a caption of its own.
    QHBoxLayout* cell = nullptr;
    int next = 0;  // where the cell's next widget goes: before its stretch, if it has one
    for (const SearchCriterion& criterion : searchCriteria()) {
        std::vector<QWidget*> controls = makeControls(criterion, box);
        if (!criterion.besidePrevious) {
            auto* holder = new QWidget(box);
            cell = new QHBoxLayout(holder);
            cell->setContentsMargins(0, 0, 0, 0);
            // Controls of a fixed width keep to the left of their cell.
            if (criterion.width > 0 || criterion.control == CriterionControl::Date)
                cell->addStretch(1);
            next = 0;
            put(criterion.row, criterion.column, criterion.caption, holder);
        } else {
            cell->insertWidget(next++, caption(criterion.caption, box));
        }
        for (size_t i = 0; i < controls.size(); ++i) {
            if (i > 0) cell->insertWidget(next++, caption(criterion.betweenCaption, box));
            cell->insertWidget(next++, controls[i]);
        }
        criterionControls_.push_back(std::move(controls));
    }
    // "Найти" stands beside the last criterion.
    findButton = new QPushButton(QStringLiteral("Найти"), box);
    findButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    findButton->setMinimumWidth(110);
    cell->addWidget(findButton);

    // Tab goes down each column of criteria in turn, from the period to "Найти".
    std::vector<std::tuple<int, int, size_t, QWidget*>> stops;
    const std::vector<SearchCriterion>& all = searchCriteria();
    for (size_t i = 0; i < all.size(); ++i)
        for (QWidget* control : criterionControls_[i])
            stops.emplace_back(all[i].column, all[i].row, stops.size(), control);
    std::sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a), std::get<2>(a)) <
               std::tie(std::get<0>(b), std::get<1>(b), std::get<2>(b));
    });
    QWidget* previous = periodTo;
    setTabOrder(periodFrom, periodTo);
    for (const auto& stop : stops) {
        setTabOrder(previous, std::get<3>(stop));
        previous = std::get<3>(stop);
    }
    setTabOrder(previous, findButton);
    grid->setColumnStretch(7, 1);
    grid->setRowStretch(8, 1);
    split->addWidget(box);

    auto* results = new QWidget(split);
    auto* resultsLayout = new QVBoxLayout(results);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    resultsLayout->setSpacing(0);
    foundGrid = new ui::DbGrid(results);
    foundGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    foundGrid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(170, 204, 255); }"));
    resultsLayout->addWidget(foundGrid, 1);
    footer = new ui::GridFooter(foundGrid, results);
    QFont bold = footer->font();
    bold.setBold(true);
    footer->setFont(bold);
    footer->setColors(QColor(240, 251, 255), QColor(128, 0, 0));
    resultsLayout->addWidget(footer);
    split->addWidget(results);
    split->setStretchFactor(1, 1);
    split->setSizes({265, 400});
    layout->addWidget(split, 1);

    foundMenu = new QMenu(foundGrid);
    exportAction = foundMenu->addAction(QStringLiteral("Выгрузить в Excel"));
    connect(exportAction, &QAction::triggered, this,
            ui::command(this, [this] { reports::exportGrid(*foundGrid, session, this); }));
}

void SearchPage::bindControls() {
    const std::vector<SearchCriterion>& all = searchCriteria();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].control == CriterionControl::Selector)
            static_cast<ui::DbLookupComboBox*>(criterionControls_[i].front())
                ->setListSource(&(labData.*all[i].list), all[i].key, all[i].display);
        // A hint, never a block, for the numbers of a range.
        if (all[i].control == CriterionControl::NumberRange)
            for (QWidget* edit : criterionControls_[i]) edit->installEventFilter(this);
    }

    foundGrid->setDataSource(&foundSource);
    auto column = [](const char* field, const QString& title, int width) {
        ui::GridColumn c;
        c.field = QString::fromLatin1(field);
        c.title = title;
        c.width = width;
        c.readOnly = true;
        return c;
    };
    ui::GridColumn residence = column("PR_LIVE", QStringLiteral("Житель города\\ села"), 76);
    residence.valueCaptions = data::residenceCaptionOfCode();
    foundGrid->setColumns({column("ISSL", QStringLiteral("Исследование"), 133),
                           column("LPU", QStringLiteral("ЛПУ"), 139),
                           column("OTD", QStringLiteral("Отделение"), 122),
                           column("NOM", QStringLiteral("Уник. № пациента"), 56),
                           column("NOM_KART", QStringLiteral("№ карты"), 71),
                           column("FAM", QStringLiteral("Фамилия пациента"), 114),
                           column("IMJA", QStringLiteral("Имя"), 89),
                           column("OTCH", QStringLiteral("Отчество"), 88),
                           column("POL", QStringLiteral("Пол"), 0),
                           column("DAT_R", QStringLiteral("Дата рождения"), 78),
                           column("VOZR", QStringLiteral("Возраст"), 52),
                           column("GOS", QStringLiteral("Страна"), 82),
                           residence,
                           column("TER", QStringLiteral("Территория"), 123),
                           column("RAION", QStringLiteral("Район"), 121),
                           column("COD_OBSL", QStringLiteral("Код обсл."), 0),
                           column("FIN", QStringLiteral("Бюджет"), 89),
                           column("DAT_ISSLED", QStringLiteral("Дата взятия анализа"), 75),
                           column("DAT_DOSTAV", QStringLiteral("Дата доставки"), 75),
                           column("DAT_REZULT", QStringLiteral("Дата результата"), 74),
                           column("VRACH", QStringLiteral("Врач"), 105),
                           column("MEDSES", QStringLiteral("Лаборант"), 124),
                           column("DIAG_COD", QStringLiteral("Диагноз"), 62)});
    footer->setText(0, QStringLiteral("Всего"), Qt::AlignRight | Qt::AlignVCenter);
    showTotal();

    connect(findButton, &QPushButton::clicked, this, ui::command(this, [this] { find(); }));
    auto open = ui::command(this, [this] { openFoundRecord(); });
    connect(foundGrid, &QAbstractItemView::doubleClicked, this, open);
    connect(foundGrid, &ui::DbGrid::doubleClickedOutsideRows, this, open);
    foundGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(foundGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { foundMenu->popup(foundGrid->viewport()->mapToGlobal(at)); });
}

bool SearchPage::eventFilter(QObject* watched, QEvent* event) {
    // A hint, never a block: the key is still typed.
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool moves = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!text.isEmpty() && !moves && !(text.size() == 1 && text[0] >= u'0' && text[0] <= u'9'))
            ui::information(this, QStringLiteral("Вводите только цифры"));
    }
    return QWidget::eventFilter(watched, event);
}

SearchCriteria SearchPage::criteria() const {
    SearchCriteria c;
    c.periodFrom = periodFrom->date();
    c.periodTo = periodTo->date();
    for (const std::vector<QWidget*>& controls : criterionControls_) {
        QStringList texts;
        for (QWidget* control : controls) {
            if (auto* selector = qobject_cast<ui::DbLookupComboBox*>(control)) {
                c.values << (selector->keyValue().isValid() ? selector->keyValue().toInt() : 0);
                break;
            }
            if (auto* list = qobject_cast<QComboBox*>(control))
                texts << list->currentText();
            else
                texts << static_cast<QLineEdit*>(control)->text();
        }
        if (!texts.isEmpty())
            c.values << (texts.size() == 1 ? QVariant(texts.front()) : QVariant(texts));
    }
    return c;
}

void SearchPage::enter() {
    for (const std::vector<QWidget*>& controls : criterionControls_) {
        for (QWidget* control : controls) {
            if (auto* selector = qobject_cast<ui::DbLookupComboBox*>(control))
                selector->setKeyValue(QVariant());
            else if (auto* list = qobject_cast<QComboBox*>(control))
                list->setEditText(QString());
            else
                static_cast<QLineEdit*>(control)->clear();
        }
    }
    for (data::Dataset* list : listsReadOnEntry()) {
        list->close();
        list->open();
    }
}

QList<data::Dataset*> SearchPage::listsReadOnEntry() const {
    QList<data::Dataset*> lists;
    for (const SearchCriterion& criterion : searchCriteria())
        if (criterion.listReadOnEntry) lists << (labData.*criterion.list).dataset();
    return lists;
}

void SearchPage::leave() {
    found.close();
    showTotal();
    for (data::Dataset* list : listsReadOnEntry()) list->close();
    if (labData.searchSnapshot.isActive()) labData.searchSnapshot.commit();
}

void SearchPage::find() {
    // A number or a date that is not one stops here, before anything is closed.
    const SearchStatement statement = searchStatement(criteria());
    if (!labData.searchSnapshot.isActive()) labData.searchSnapshot.start();
    found.close();
    found.setSql(statement.sql);
    for (auto it = statement.params.cbegin(); it != statement.params.cend(); ++it)
        found.setParam(it.key(), it.value());
    try {
        found.open();
    } catch (...) {
        showTotal();
        throw;
    }
    showTotal();
}

void SearchPage::openFoundRecord() {
    const int key = found.isActive() && !found.isEmpty() ? found.value("N_ISSLED").toInt() : 0;
    if (key < 1) {
        ui::information(this, QStringLiteral("Задайте метод исследования."));
        return;
    }
    if (!labData.prepareResults(key)) {
        ui::information(this, QStringLiteral("Запись не найдена: её удалили на этой или другой "
                                             "рабочей станции."));
        return;
    }
    session.investigationKey = key;
    // The card names the record's own investigation type.
    card_->setWindowTitle(QStringLiteral("Данные исследования - ") +
                          found.value("ISSL").toString());
    ui::dialogs().showModal(card_);

    found.close();
    found.open();
    found.locate("N_ISSLED", session.investigationKey);
    showTotal();
}

void SearchPage::showTotal() {
    footer->setText(1, found.isActive() ? QString::number(found.recordCount()) : QString(),
                    Qt::AlignCenter);
}
