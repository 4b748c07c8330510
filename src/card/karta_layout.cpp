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

#include "card/karta.h"
#include "data/dm_pelta.h"
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

void TForm2::buildControls() {
    setFixedSize(1027, 594);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setGeometry(4, 4, 368, 292);
    auto* patient = formIn(GroupBox1);
    DBLookupComboboxEh8 = new ui::DbLookupComboBox;
    DBLookupComboboxEh8->setEnabled(false);
    patient->addRow(fieldLabel(QStringLiteral("ЛПУ")), DBLookupComboboxEh8);
    DBLookupComboboxEh1 = new ui::DbLookupComboBox;
    patient->addRow(fieldLabel(QStringLiteral("Отделение")), DBLookupComboboxEh1);
    DBEdit1 = new ui::DbEdit;
    DBEdit11 = new ui::DbEdit;
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(DBEdit1);
    numbers->addWidget(fieldLabel(QStringLiteral("№ в др.ЛПУ")));
    numbers->addWidget(DBEdit11);
    patient->addRow(fieldLabel(QStringLiteral("Уник.№")), numbers);
    DBEdit12 = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Фамилия")), DBEdit12);
    DBEdit8 = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Имя")), DBEdit8);
    DBEdit10 = new ui::DbEdit;
    patient->addRow(fieldLabel(QStringLiteral("Отчество")), DBEdit10);
    DBComboBoxEh5 = new ui::DbComboBox;
    DBComboBoxEh5->setItems({QStringLiteral("М"), QStringLiteral("Ж")});
    DBComboBoxEh5->setFixedWidth(60);
    patient->addRow(fieldLabel(QStringLiteral("Пол")), DBComboBoxEh5);
    DBDateEdit3 = new ui::DbDateEdit;
    DBDateEdit3->setFixedWidth(90);
    Edit1 = new QLineEdit;
    Edit1->setObjectName("Edit1");
    Edit1->setFixedWidth(30);
    Edit2 = new QLineEdit;
    Edit2->setObjectName("Edit2");
    Edit2->setFixedWidth(30);
    BitBtn2 = new QPushButton(QStringLiteral("..."));
    BitBtn2->setFixedWidth(28);
    auto* birth = new QHBoxLayout;
    birth->addWidget(DBDateEdit3);
    birth->addWidget(fieldLabel(QStringLiteral("Лет"), false));
    birth->addWidget(Edit1);
    birth->addWidget(fieldLabel(QStringLiteral("Мес"), false));
    birth->addWidget(Edit2);
    birth->addWidget(BitBtn2);
    birth->addStretch(1);
    patient->addRow(fieldLabel(QStringLiteral("Дата рождения")), birth);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown),
                              QStringLiteral("Копировать данные пациента"), this);
    BitBtn1->setStyleSheet(QStringLiteral("font-weight: bold;"));
    BitBtn1->setGeometry(377, 4, 256, 28);

    GroupBox2 = new QGroupBox(QStringLiteral("Адрес прописки  "), this);
    GroupBox2->setStyleSheet(
        QStringLiteral("QGroupBox { color: maroon; font-weight: bold; font-style: italic; }"));
    GroupBox2->setGeometry(377, 34, 256, 300);
    auto* address = new QVBoxLayout(GroupBox2);
    address->setSpacing(1);
    DBComboBoxEh2 = new ui::DbComboBox;
    DBComboBoxEh2->setItems(
        {QStringLiteral("города"), QStringLiteral("области"), QStringLiteral("неизвестно"),
         QStringLiteral("иногородний"), QStringLiteral("иностранный гражд.")},
        {"0", "1", "2", "3", "4"});
    addStacked(address, QStringLiteral("Житель города \\ села"), DBComboBoxEh2);
    DBLookupComboboxEh5 = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Страна осн.регистр."), DBLookupComboboxEh5);
    DBLookupComboboxEh6 = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Территория"), DBLookupComboboxEh6);
    DBLookupComboboxEh7 = new ui::DbLookupComboBox;
    addStacked(address, QStringLiteral("Район/округ"), DBLookupComboboxEh7);
    DBEdit5 = new ui::DbEdit;
    addStacked(address, QStringLiteral("Нас.пункт"), DBEdit5);
    DBEdit9 = new ui::DbEdit;
    addStacked(address, QStringLiteral("Улица, дом, кв."), DBEdit9);

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setGeometry(377, 336, 256, 214);
    auto* cardData = new QVBoxLayout(GroupBox3);
    cardData->setSpacing(1);
    DBEdit3 = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("Карта №"), DBEdit3);
    DBEdit2 = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("СНИЛС"), DBEdit2);
    DBEdit6 = new ui::DbEdit;
    addStacked(cardData, QStringLiteral("Диагноз МКБ"), DBEdit6);
    cardData->addStretch(1);

    GroupBox4 = new QGroupBox(this);
    GroupBox4->setGeometry(4, 298, 368, 252);
    auto* sample = formIn(GroupBox4);
    DBEdit7 = new ui::DbEdit;
    DBEdit7->setFixedWidth(80);
    sample->addRow(fieldLabel(QStringLiteral("№ пп")), DBEdit7);
    DBLookupComboboxEh2 = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Код обслед.")), DBLookupComboboxEh2);
    DBDateEdit1 = new ui::DbDateEdit;
    DBDateEdit1->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата взятия ан.")), DBDateEdit1);
    DBDateEdit2 = new ui::DbDateEdit;
    DBDateEdit2->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата доставки")), DBDateEdit2);
    DBDateEdit4 = new ui::DbDateEdit;
    DBDateEdit4->setFixedWidth(90);
    sample->addRow(fieldLabel(QStringLiteral("Дата результ.")), DBDateEdit4);
    DBLookupComboboxEh3 = new ui::DbLookupComboBox;
    DBLookupComboboxEh3->setMaxVisibleItems(5);
    sample->addRow(fieldLabel(QStringLiteral("Бюджет")), DBLookupComboboxEh3);
    DBLookupComboboxEh4 = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Врач")), DBLookupComboboxEh4);
    DBLookupComboboxEh9 = new ui::DbLookupComboBox;
    sample->addRow(fieldLabel(QStringLiteral("Лаборант")), DBLookupComboboxEh9);

    for (ui::DbLookupComboBox* list :
         {DBLookupComboboxEh8, DBLookupComboboxEh1, DBLookupComboboxEh5, DBLookupComboboxEh6,
          DBLookupComboboxEh7, DBLookupComboboxEh2, DBLookupComboboxEh4, DBLookupComboboxEh9})
        list->setMaxVisibleItems(12);

    DBGridEh10 = new ui::DbGrid(this);
    DBGridEh10->setGeometry(kResultsNarrow);
    DBGridEh10->setStyleSheet(QStringLiteral("QTableView { color: maroon; font-weight: bold; }"));
    DBGridEh10->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    DBGridEh10->setEditTriggers(QAbstractItemView::AllEditTriggers);

    auto* panel = new QWidget(this);
    panel->setGeometry(0, 554, 1027, 40);
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(6, 4, 6, 4);
    RxSpeedButton1 = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                     QStringLiteral("Печать результата"));
    RxSpeedButton1->setStyleSheet(QStringLiteral("font-weight: bold;"));
    buttons->addWidget(RxSpeedButton1);
    RxSpeedButton3 = new QToolButton;
    RxSpeedButton3->setArrowType(Qt::DownArrow);
    RxSpeedButton3->setPopupMode(QToolButton::InstantPopup);
    PopupMenu1 = new QMenu(RxSpeedButton3);
    N1 = PopupMenu1->addAction(QStringLiteral("Просмотр результата"));
    N2 = PopupMenu1->addAction(QStringLiteral("Печать оперативного донесения"));
    N3 = PopupMenu1->addAction(QStringLiteral("Печать направления на ИФА(ВИЧ)"));
    RxSpeedButton3->setMenu(PopupMenu1);
    buttons->addWidget(RxSpeedButton3);
    buttons->addStretch(1);
    Button5 = new QPushButton(QStringLiteral("Сохранить"));
    Button3 = new QPushButton(QStringLiteral("Отменить"));
    Button2 = new QPushButton(QStringLiteral("Выход"));
    for (QPushButton* b : {Button5, Button3, Button2}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    // Printing and the register copy arrive with their own commands.
    for (QWidget* w : std::initializer_list<QWidget*>{RxSpeedButton1, RxSpeedButton3, BitBtn1})
        w->setEnabled(false);
    RxSpeedButton1->setAutoDefault(false);
    BitBtn1->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
}

void TForm2::bindControls() {
    data::DataSource* record = &dm.DSKarta;
    const QList<std::pair<ui::DbEdit*, const char*>> edits = {{DBEdit1, "NOM"},
                                                              {DBEdit11, "NOM_POL"},
                                                              {DBEdit12, "FAM"},
                                                              {DBEdit8, "IMJA"},
                                                              {DBEdit10, "OTCH"},
                                                              {DBDateEdit3, "DAT_R"},
                                                              {DBEdit5, "NAS_PUNKT"},
                                                              {DBEdit9, "ADRES"},
                                                              {DBEdit3, "NOM_KART"},
                                                              {DBEdit2, "SNILS"},
                                                              {DBEdit6, "DIAG_COD"},
                                                              {DBEdit7, "NPP"},
                                                              {DBDateEdit1, "DAT_ISSLED"},
                                                              {DBDateEdit2, "DAT_DOSTAV"},
                                                              {DBDateEdit4, "DAT_REZULT"}};
    for (const auto& [edit, field] : edits) edit->bind(record, field);
    DBComboBoxEh5->bind(record, "POL");
    DBComboBoxEh2->bind(record, "PR_LIVE");

    const QList<std::tuple<ui::DbLookupComboBox*, const char*, data::DataSource*, QStringList>>
        lookups = {{DBLookupComboboxEh8, "COD_LPU", &dm.DataSource3, {"NAME"}},
                   {DBLookupComboboxEh1, "COD_OTD", &dm.DataSource4, {"NAME"}},
                   {DBLookupComboboxEh5, "COD_GOS", &dm.DataSource9, {"NAME"}},
                   {DBLookupComboboxEh6, "COD_TER", &dm.DataSource10, {"NAME"}},
                   {DBLookupComboboxEh7, "COD_RAION", &dm.DataSource11, {"NAME"}},
                   {DBLookupComboboxEh2, "N_KON", &dm.DataSource8, {"COD", "NAME"}},
                   {DBLookupComboboxEh3, "N_IFIN", &dm.DataSource6, {"NAME"}},
                   {DBLookupComboboxEh4, "COD_VR", &dm.DataSource5, {"FIO"}},
                   {DBLookupComboboxEh9, "COD_MS", &dm.DataSource12, {"FIO"}}};
    for (const auto& [combo, field, list, shown] : lookups) {
        combo->setListSource(list, field, shown);
        combo->setDataSource(record, field);
    }
    DBLookupComboboxEh2->view()->setMinimumWidth(300);

    for (ui::DbEdit* name : {DBEdit12, DBEdit8, DBEdit10})
        connect(name, &ui::DbEdit::left, this, ui::guardedSlot(this, [this] { DBEdit12Exit(); }));
    connect(BitBtn2, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { BitBtn2Click(); }));
    connect(Button5, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { Button5Click(); }));
    connect(Button3, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { Button3Click(); }));
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);

    DBGridEh10->setDataSource(&DataSource2);
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
    DBGridEh10->setColumns({name, result, unit});
    DBGridEh10->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool wasIn = old && (old == DBGridEh10 || DBGridEh10->isAncestorOf(old));
        const bool isIn = now && (now == DBGridEh10 || DBGridEh10->isAncestorOf(now));
        if (isIn && !wasIn)
            DBGridEh10Enter();
        else if (wasIn && !isIn)
            DBGridEh10Exit();
    });
}

void TForm2::DBGridEh10Enter() {
    DBGridEh10->setGeometry(kResultsWide);
}

void TForm2::DBGridEh10Exit() {
    DBGridEh10->setGeometry(kResultsNarrow);
}
