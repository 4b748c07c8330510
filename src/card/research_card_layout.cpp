// The card's controls: four groups on the left and in the middle, results on the right, buttons
// along the bottom; and their bindings to the record and the lists.
#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "card/research_card.h"
#include "data/lab_data.h"
#include "data/residence.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

namespace {

const QRect kResultsNarrow(637, 4, 373, 505);
const QRect kResultsWide(377, 4, 634, 505);

QLabel* fieldLabel(const QString& text, bool bold = true) {
    auto* label = new QLabel(text);
    QFont font(QStringLiteral("Arial"), 10);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: navy;"));
    return label;
}

QFormLayout* formIn(QGroupBox* box) {
    auto* form = new QFormLayout(box);
    form->setContentsMargins(6, 6, 6, 6);
    form->setVerticalSpacing(4);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return form;
}

// A label over its control, as the narrow middle groups have them.
void addStacked(QVBoxLayout* layout, const QString& label, QWidget* control) {
    layout->addWidget(fieldLabel(label));
    layout->addWidget(control);
}

}  // namespace

void ResearchCard::buildControls() {
    setFixedSize(1027, 594);

    patientBox = new QGroupBox(this);
    patientBox->setGeometry(4, 4, 368, 292);
    auto* patient = formIn(patientBox);
    institutionSelector = new ui::DbLookupComboBox;
    institutionSelector->setEnabled(false);
    patient->addRow(fieldLabel(QStringLiteral("ЛПУ")), institutionSelector);
    departmentSelector = new ui::DbLookupComboBox;
    patient->addRow(fieldLabel(QStringLiteral("Отделение")), departmentSelector);
    uniqueNumberEdit = new ui::DbEdit;
    otherNumberEdit = new ui::DbEdit;
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(uniqueNumberEdit);
    numbers->addWidget(fieldLabel(QStringLiteral("№ в др.ЛПУ")));
    numbers->addWidget(otherNumberEdit);
    patient->addRow(fieldLabel(QStringLiteral("Уник.№")), numbers);
    surnameEdit = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Фамилия")), surnameEdit);
    firstNameEdit = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Имя")), firstNameEdit);
    patronymicEdit = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Отчество")), patronymicEdit);
    sexSelector = new ui::DbComboBox;
    sexSelector->setItems({QStringLiteral("М"), QStringLiteral("Ж")});
    sexSelector->setFixedWidth(60);
    patient->addRow(fieldLabel(QStringLiteral("Пол")), sexSelector);
    birthDateEdit = new ui::DbDateEdit;
    birthDateEdit->setFixedWidth(90);
    ageYearsEdit = new QLineEdit;
    ageYearsEdit->setObjectName("ageYearsEdit");
    ageYearsEdit->setFixedWidth(30);
    ageMonthsEdit = new QLineEdit;
    ageMonthsEdit->setObjectName("ageMonthsEdit");
    ageMonthsEdit->setFixedWidth(30);
    birthDateFromAgeButton = new QPushButton(QStringLiteral("..."));
    birthDateFromAgeButton->setFixedWidth(28);
    auto* birth = new QHBoxLayout;
    birth->addWidget(birthDateEdit);
    birth->addWidget(fieldLabel(QStringLiteral("Лет"), false));
    birth->addWidget(ageYearsEdit);
    birth->addWidget(fieldLabel(QStringLiteral("Мес"), false));
    birth->addWidget(ageMonthsEdit);
    birth->addWidget(birthDateFromAgeButton);
    birth->addStretch(1);
    patient->addRow(fieldLabel(QStringLiteral("Дата рождения")), birth);

    copyPatientButton = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown),
                                        QStringLiteral("Копировать данные пациента"), this);
    copyPatientButton->setStyleSheet(QStringLiteral("font-weight: bold;"));
    copyPatientButton->setGeometry(377, 4, 256, 28);

    addressBox = new QGroupBox(QStringLiteral("Адрес прописки  "), this);
    addressBox->setStyleSheet(
        QStringLiteral("QGroupBox { color: maroon; font-weight: bold; font-style: italic; }"));
    addressBox->setGeometry(377, 34, 256, 300);
    auto* address = new QVBoxLayout(addressBox);
    address->setSpacing(1);
    residenceSelector = new ui::DbComboBox;
    residenceSelector->setItems(data::residenceCaptions(), data::residenceCodes());
    addStacked(address, QStringLiteral("Житель города \\ села"), residenceSelector);
    countrySelector = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Страна осн.регистр."), countrySelector);
    territorySelector = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Территория"), territorySelector);
    districtSelector = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Район/округ"), districtSelector);
    settlementEdit = new ui::DbEdit;
    addStacked(address, QStringLiteral("Нас.пункт"), settlementEdit);
    streetEdit = new ui::DbEdit;
    addStacked(address, QStringLiteral("Улица, дом, кв."), streetEdit);

    cardDataBox = new QGroupBox(this);
    cardDataBox->setGeometry(377, 336, 256, 214);
    auto* cardData = new QVBoxLayout(cardDataBox);
    cardData->setSpacing(1);
    cardNumberEdit = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("Карта №"), cardNumberEdit);
    snilsEdit = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("СНИЛС"), snilsEdit);
    diagnosisEdit = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("Диагноз МКБ"), diagnosisEdit);
    cardData->addStretch(1);

    sampleBox = new QGroupBox(this);
    sampleBox->setGeometry(4, 298, 368, 252);
    auto* sample = formIn(sampleBox);
    sequenceNumberEdit = new ui::DbEdit;
    sequenceNumberEdit->setFixedWidth(80);
    sample->addRow(fieldLabel(QStringLiteral("№ пп")), sequenceNumberEdit);
    examinationCodeSelector = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Код обслед.")), examinationCodeSelector);
    samplingDateEdit = new ui::DbDateEdit;
    samplingDateEdit->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата взятия ан.")), samplingDateEdit);
    deliveryDateEdit = new ui::DbDateEdit;
    deliveryDateEdit->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата доставки")), deliveryDateEdit);
    resultDateEdit = new ui::DbDateEdit;
    resultDateEdit->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата результ.")), resultDateEdit);
    fundingSourceSelector = new ui::DbLookupComboBox;
    fundingSourceSelector->setMaxVisibleItems(5);
    sample->addRow(fieldLabel(QStringLiteral("Бюджет")), fundingSourceSelector);
    doctorSelector = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Врач")), doctorSelector);
    labAssistantSelector = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Лаборант")), labAssistantSelector);

    for (ui::DbLookupComboBox* list :
         {institutionSelector, departmentSelector, countrySelector, territorySelector,
          districtSelector, examinationCodeSelector, doctorSelector, labAssistantSelector})
        list->setMaxVisibleItems(12);

    resultsGrid = new ui::DbGrid(this);
    resultsGrid->setGeometry(kResultsNarrow);
    resultsGrid->setStyleSheet(QStringLiteral("QTableView { color: maroon; font-weight: bold; }"));
    resultsGrid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    resultsGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);

    auto* panel = new QWidget(this);
    panel->setGeometry(0, 554, 1027, 40);
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(6, 4, 6, 4);
    printResultButton = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                        QStringLiteral("Печать результата"));
    printResultButton->setStyleSheet(QStringLiteral("font-weight: bold;"));
    buttons->addWidget(printResultButton);
    printMenuButton = new QToolButton;
    printMenuButton->setArrowType(Qt::DownArrow);
    printMenuButton->setPopupMode(QToolButton::InstantPopup);
    printMenu = new QMenu(printMenuButton);
    viewResultAction = printMenu->addAction(QStringLiteral("Просмотр результата"));
    printNotificationAction = printMenu->addAction(QStringLiteral("Печать оперативного донесения"));
    printReferralAction = printMenu->addAction(QStringLiteral("Печать направления на ИФА(ВИЧ)"));
    printMenuButton->setMenu(printMenu);
    buttons->addWidget(printMenuButton);
    buttons->addSpacing(12);
    historyButton = new QPushButton(QStringLiteral("История изменений"));
    historyButton->setAutoDefault(false);
    buttons->addWidget(historyButton);
    buttons->addStretch(1);
    saveButton = new QPushButton(QStringLiteral("Сохранить"));
    cancelButton = new QPushButton(QStringLiteral("Отменить"));
    exitButton = new QPushButton(QStringLiteral("Выход"));
    for (QPushButton* b : {saveButton, cancelButton, exitButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    printResultButton->setAutoDefault(false);
    copyPatientButton->setAutoDefault(false);
    birthDateFromAgeButton->setAutoDefault(false);
}

void ResearchCard::bindControls() {
    data::DataSource* record = &labData.cardSource;
    const QList<std::pair<ui::DbEdit*, const char*>> edits = {{uniqueNumberEdit, "NOM"},
                                                              {otherNumberEdit, "NOM_POL"},
                                                              {surnameEdit, "FAM"},
                                                              {firstNameEdit, "IMJA"},
                                                              {patronymicEdit, "OTCH"},
                                                              {birthDateEdit, "DAT_R"},
                                                              {settlementEdit, "NAS_PUNKT"},
                                                              {streetEdit, "ADRES"},
                                                              {cardNumberEdit, "NOM_KART"},
                                                              {snilsEdit, "SNILS"},
                                                              {diagnosisEdit, "DIAG_COD"},
                                                              {sequenceNumberEdit, "NPP"},
                                                              {samplingDateEdit, "DAT_ISSLED"},
                                                              {deliveryDateEdit, "DAT_DOSTAV"},
                                                              {resultDateEdit, "DAT_REZULT"}};
    for (const auto& [edit, field] : edits) edit->bind(record, field);
    sexSelector->bind(record, "POL");
    residenceSelector->bind(record, "PR_LIVE");

    const QList<std::tuple<ui::DbLookupComboBox*, const char*, data::DataSource*, QStringList>>
        lookups = {
            {institutionSelector, "COD_LPU", &labData.institutionsSource, {"NAME"}},
            {departmentSelector, "COD_OTD", &labData.departmentsSource, {"NAME"}},
            {countrySelector, "COD_GOS", &labData.countriesSource, {"NAME"}},
            {territorySelector, "COD_TER", &labData.territoriesSource, {"NAME"}},
            {districtSelector, "COD_RAION", &labData.districtsSource, {"NAME"}},
            {examinationCodeSelector, "N_KON", &labData.examinationCodesSource, {"COD", "NAME"}},
            {fundingSourceSelector, "N_IFIN", &labData.fundingSourcesSource, {"NAME"}},
            {doctorSelector, "COD_VR", &labData.doctorsSource, {"FIO"}},
            {labAssistantSelector, "COD_MS", &labData.labAssistantsSource, {"FIO"}}};
    for (const auto& [combo, field, list, shown] : lookups) {
        combo->setListSource(list, field, shown);
        combo->setDataSource(record, field);
    }
    examinationCodeSelector->view()->setMinimumWidth(300);

    for (ui::DbEdit* name : {surnameEdit, firstNameEdit, patronymicEdit})
        connect(name, &ui::DbEdit::left, this, ui::command(this, [this] { capitalizeNames(); }));
    connect(birthDateFromAgeButton, &QPushButton::clicked, this,
            ui::command(this, [this] { setBirthDateFromAge(); }));
    connect(copyPatientButton, &QPushButton::clicked, this,
            ui::command(this, [this] { copyPatient(); }));
    connect(saveButton, &QPushButton::clicked, this, ui::command(this, [this] { saveRecord(); }));
    connect(historyButton, &QPushButton::clicked, this,
            ui::command(this, [this] { showHistory(); }));
    connect(printResultButton, &QPushButton::clicked, this,
            ui::command(this, [this] { printResult(ResultOutput::Print); }));
    connect(viewResultAction, &QAction::triggered, this,
            ui::command(this, [this] { printResult(ResultOutput::Show); }));
    connect(printNotificationAction, &QAction::triggered, this,
            ui::command(this, [this] { printNotification(); }));
    connect(printReferralAction, &QAction::triggered, this,
            ui::command(this, [this] { printReferral(); }));
    // Dropping the edits writes nothing first: a refused text must not keep the card from it.
    connect(cancelButton, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { cancelChanges(); }); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);

    resultsGrid->setDataSource(&resultsSource);
    ui::GridColumn name;
    name.field = "NAME";
    name.title = QStringLiteral("Показатель");
    name.width = 152;
    name.alignment = Qt::AlignRight | Qt::AlignVCenter;
    name.readOnly = true;
    name.background = QApplication::palette().color(QPalette::Button);
    name.foreground = Qt::black;
    ui::GridColumn result;
    result.field = "RESULT";
    result.title = QStringLiteral("Результат");
    result.width = 89;
    result.alignment = Qt::AlignCenter;
    ui::GridColumn unit = name;
    unit.field = "ED_IZM";
    unit.title = QStringLiteral("Ед. изм.");
    unit.width = 90;
    unit.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    resultsGrid->setColumns({name, result, unit});
    // The indicator's name takes the room the result and the unit leave: the unit column is as
    // wide as its longest unit, the result column keeps its width.
    QHeaderView* header = resultsGrid->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool wasIn = old && (old == resultsGrid || resultsGrid->isAncestorOf(old));
        const bool isIn = now && (now == resultsGrid || resultsGrid->isAncestorOf(now));
        if (isIn && !wasIn)
            widenResults();
        else if (wasIn && !isIn)
            narrowResults();
    });
}

void ResearchCard::widenResults() {
    resultsGrid->setGeometry(kResultsWide);
}

void ResearchCard::narrowResults() {
    resultsGrid->setGeometry(kResultsNarrow);
}
