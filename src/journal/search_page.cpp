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

#include "card/research_card.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "data/residence.h"
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
    bindControls();
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
    auto lineEdit = [&](int width, int maxLength) {
        auto* edit = new QLineEdit(box);
        if (width > 0) edit->setFixedWidth(width);
        edit->setMaxLength(maxLength);
        return edit;
    };
    auto selector = [&] {
        auto* combo = new ui::DbLookupComboBox(box);
        combo->setMinimumWidth(190);
        combo->setMaxVisibleItems(16);
        return combo;
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

    // Patient.
    periodFrom = new ui::DatePicker(QStringLiteral("Дата с.."), box);
    periodTo = new ui::DatePicker(QStringLiteral("по.."), box);
    put(0, 0, QStringLiteral("Дата с.."), pair(periodFrom, QStringLiteral("по.."), periodTo));
    uniqueNumberEdit = lineEdit(65, 12);
    cardNumberEdit = lineEdit(65, 20);
    put(1, 0, QStringLiteral("Уник. №"),
        pair(uniqueNumberEdit, QStringLiteral("Карта  №"), cardNumberEdit));
    surnameEdit = lineEdit(0, 30);
    put(2, 0, QStringLiteral("Фамилия"), surnameEdit);
    firstNameEdit = lineEdit(0, 30);
    put(3, 0, QStringLiteral("Имя"), firstNameEdit);
    patronymicEdit = lineEdit(0, 30);
    put(4, 0, QStringLiteral("Отчество"), patronymicEdit);
    sexSelector = new QComboBox(box);
    sexSelector->setEditable(true);
    sexSelector->addItems({QStringLiteral("М"), QStringLiteral("Ж")});
    sexSelector->lineEdit()->setMaxLength(1);
    sexSelector->setFixedWidth(60);
    put(5, 0, QStringLiteral("Пол"), sexSelector);
    ageFromEdit = lineEdit(34, 3);
    ageToEdit = lineEdit(34, 3);
    put(6, 0, QStringLiteral("Возраст   от"), pair(ageFromEdit, QStringLiteral("до"), ageToEdit));

    // Address and sender.
    typeSelector = selector();
    put(0, 1, QStringLiteral("Вид исследования"), typeSelector);
    countrySelector = selector();
    put(1, 1, QStringLiteral("Страна"), countrySelector);
    residenceSelector = new QComboBox(box);
    residenceSelector->setEditable(true);
    residenceSelector->addItems(data::residenceCaptions());
    put(2, 1, QStringLiteral("Житель"), residenceSelector);
    territorySelector = selector();
    put(3, 1, QStringLiteral("Территория"), territorySelector);
    districtSelector = selector();
    put(4, 1, QStringLiteral("Район"), districtSelector);
    institutionSelector = selector();
    put(5, 1, QStringLiteral("ЛПУ"), institutionSelector);
    departmentSelector = selector();
    put(6, 1, QStringLiteral("Отделения"), departmentSelector);

    // Sample, staff and diagnosis.
    examinationCodeSelector = selector();
    examinationCodeSelector->view()->setMinimumWidth(300);
    put(0, 2, QStringLiteral("Код обслед."), examinationCodeSelector);
    fundingSourceSelector = selector();
    put(1, 2, QStringLiteral("Бюджет"), fundingSourceSelector);
    samplingDateEdit = dateEdit(box);
    put(2, 2, QStringLiteral("Дата взятия ан."), samplingDateEdit);
    deliveryDateEdit = dateEdit(box);
    put(3, 2, QStringLiteral("Дата доставки"), deliveryDateEdit);
    resultDateEdit = dateEdit(box);
    put(4, 2, QStringLiteral("Дата результ."), resultDateEdit);
    doctorSelector = selector();
    put(5, 2, QStringLiteral("Врач"), doctorSelector);
    labAssistantSelector = selector();
    put(6, 2, QStringLiteral("Лаборант"), labAssistantSelector);
    auto* last = new QWidget(box);
    auto* lastRow = new QHBoxLayout(last);
    lastRow->setContentsMargins(0, 0, 0, 0);
    diagnosisEdit = lineEdit(65, 20);
    lastRow->addWidget(diagnosisEdit);
    lastRow->addStretch(1);
    findButton = new QPushButton(QStringLiteral("Найти"), last);
    findButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    findButton->setMinimumWidth(110);
    lastRow->addWidget(findButton);
    put(7, 2, QStringLiteral("Диагноз МКБ"), last);
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
    const QList<std::tuple<ui::DbLookupComboBox*, const char*, data::DataSource*, QStringList>>
        lookups = {
            {typeSelector, "N_LISSL", &labData.typeListSource, {"NAME"}},
            {countrySelector, "COD_GOS", &labData.countriesSource, {"NAME"}},
            {territorySelector, "COD_TER", &labData.territoriesSource, {"NAME"}},
            {districtSelector, "COD_RAION", &labData.districtsSource, {"NAME"}},
            {institutionSelector, "COD_LPU", &labData.institutionsSource, {"NAME"}},
            {departmentSelector, "COD_OTD", &labData.departmentsSource, {"NAME"}},
            {examinationCodeSelector, "N_KON", &labData.examinationCodesSource, {"COD", "NAME"}},
            {fundingSourceSelector, "N_IFIN", &labData.fundingSourcesSource, {"NAME"}},
            {doctorSelector, "COD_VR", &labData.doctorsSource, {"FIO"}},
            {labAssistantSelector, "COD_MS", &labData.labAssistantsSource, {"FIO"}}};
    for (const auto& [combo, key, list, display] : lookups)
        combo->setListSource(list, QString::fromLatin1(key), display);

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
    for (QLineEdit* age : {ageFromEdit, ageToEdit}) age->installEventFilter(this);
}

bool SearchPage::eventFilter(QObject* watched, QEvent* event) {
    // A hint, never a block: the key is still typed.
    if (event->type() == QEvent::KeyPress && (watched == ageFromEdit || watched == ageToEdit)) {
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
    c.uniqueNumber = uniqueNumberEdit->text();
    c.cardNumber = cardNumberEdit->text();
    c.surname = surnameEdit->text();
    c.firstName = firstNameEdit->text();
    c.patronymic = patronymicEdit->text();
    c.sex = sexSelector->currentText();
    c.ageFrom = ageFromEdit->text();
    c.ageTo = ageToEdit->text();
    c.residence = residenceSelector->currentText();
    c.samplingDate = samplingDateEdit->text();
    c.deliveryDate = deliveryDateEdit->text();
    c.resultDate = resultDateEdit->text();
    c.diagnosis = diagnosisEdit->text();
    auto key = [](const ui::DbLookupComboBox* selector) {
        return selector->keyValue().isValid() ? selector->keyValue().toInt() : 0;
    };
    c.type = key(typeSelector);
    c.country = key(countrySelector);
    c.territory = key(territorySelector);
    c.district = key(districtSelector);
    c.institution = key(institutionSelector);
    c.department = key(departmentSelector);
    c.examinationCode = key(examinationCodeSelector);
    c.fundingSource = key(fundingSourceSelector);
    c.doctor = key(doctorSelector);
    c.labAssistant = key(labAssistantSelector);
    return c;
}

void SearchPage::enter() {
    for (QLineEdit* edit :
         {uniqueNumberEdit, cardNumberEdit, surnameEdit, firstNameEdit, patronymicEdit, ageFromEdit,
          ageToEdit, diagnosisEdit, samplingDateEdit, deliveryDateEdit, resultDateEdit})
        edit->clear();
    for (QComboBox* list : {sexSelector, residenceSelector}) list->setEditText(QString());
    for (ui::DbLookupComboBox* selector :
         {typeSelector, countrySelector, territorySelector, districtSelector, institutionSelector,
          departmentSelector, examinationCodeSelector, fundingSourceSelector, doctorSelector,
          labAssistantSelector})
        selector->setKeyValue(QVariant());
    for (data::Dataset* list : {&labData.examinationCodes, &labData.countries, &labData.territories,
                                &labData.districts}) {
        list->close();
        list->open();
    }
}

void SearchPage::leave() {
    found.close();
    showTotal();
    for (data::Dataset* list :
         {&labData.examinationCodes, &labData.countries, &labData.territories, &labData.districts})
        list->close();
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
