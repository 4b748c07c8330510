#include "directories/sp_norma.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/dm_pelta.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(TdmV& dmodule, QWidget* parent) : QDialog(parent), dm(dmodule) {
    setObjectName("Form3");
    setWindowTitle(QStringLiteral("Ввод нормы времени"));
    resize(540, 460);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Исследование"), this));
    DBLookupComboBox1 = new ui::DbLookupComboBox(this);
    DBLookupComboBox1->setMaxVisibleItems(12);
    DBLookupComboBox1->setListSource(&dm.DataSource53, "N_LISSL", "NAME");
    top->addWidget(DBLookupComboBox1, 1);
    layout->addLayout(top);

    DBGridEh1 = new ui::DbGrid(this);
    DBGridEh1->setDataSource(&dm.DataSource13);
    DBGridEh1->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(170, 204, 255); }"));
    DBGridEh1->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    ui::GridColumn name;
    name.field = "NAME";
    name.width = 264;
    ui::GridColumn doctor;
    doctor.field = "NORMA_TIME";
    doctor.width = 108;
    doctor.alignment = Qt::AlignCenter;
    doctor.background = QColor(240, 251, 255);
    ui::GridColumn assistant = doctor;
    assistant.field = "NORMA_TIME_MS";
    assistant.width = 109;
    DBGridEh1->setColumns({name, doctor, assistant});
    layout->addWidget(DBGridEh1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    Button5 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1 = new QPushButton(QStringLiteral("Выход"), this);
    for (QPushButton* b : {Button5, Button1}) {
        b->setStyleSheet(QStringLiteral("font-weight: bold;"));
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    layout->addLayout(bottom);

    connect(DBLookupComboBox1, &ui::DbLookupComboBox::popupHidden, this,
            ui::guardedSlot(this, [this] { DBLookupComboBox1CloseUp(); }));
    connect(Button5, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { Button5Click(); }));
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded(this, [this] { FormShow(); });
}

void TForm3::done(int result) {
    ui::guarded(this, [this] { FormClose(); });
    QDialog::done(result);
}

void TForm3::FormShow() {
    dm.IBQuery53.close();
    dm.IBQuery53.open();
    DBLookupComboBox1->setKeyValue(0);
}

void TForm3::DBLookupComboBox1CloseUp() {
    dm.IBQuery13.close();
    dm.IBQuery13.setParam("n_lissl", DBLookupComboBox1->keyValue().toInt());
    dm.IBQuery13.open();
}

void TForm3::Button5Click() {
    dm.IBQuery13.save(data::SaveFailure::KeepChanges);
}

void TForm3::FormClose() {
    dm.IBQuery13.close();
    dm.IBQuery53.close();
}
