#include "directories/rekvizit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "data/dm_pelta.h"
#include "ui/data_aware.h"
#include "ui/dialogs.h"

QPointer<TForm20> Form20;

TForm20::TForm20(TdmV& dmodule, QWidget* parent) : QDialog(parent), dm(dmodule) {
    setObjectName("Form20");
    setWindowTitle(QStringLiteral("Реквизиты учреждения"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QGridLayout(this);
    auto field = [&](int row, const QString& label, const char* name, int width) {
        auto* caption = new QLabel(label, this);
        caption->setStyleSheet(QStringLiteral("font-weight: bold;"));
        auto* edit = new ui::DbEdit(this);
        edit->setStyleSheet(QStringLiteral("font-weight: bold;"));
        edit->setFixedWidth(width);
        edit->bind(&dm.DataSource1, name);
        layout->addWidget(caption, row * 2, 0, 1, 2);
        layout->addWidget(edit, row * 2 + 1, 0, Qt::AlignLeft);
        return edit;
    };
    DBEdit1 = field(0, QStringLiteral("Краткое наименование"), "NAME", 377);
    DBEdit2 = field(1, QStringLiteral("Полное наименование"), "NAME_FULL", 685);
    DBEdit3 = field(2, QStringLiteral("Адрес"), "ADRES", 685);
    DBEdit4 = field(3, QStringLiteral("Руководитель"), "GLAV_VR", 377);
    BitBtn4 = new QPushButton(QStringLiteral("Сохранить"), this);
    BitBtn4->setToolTip(QStringLiteral("Запомнить"));
    BitBtn4->setAutoDefault(false);
    layout->addWidget(BitBtn4, 7, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(BitBtn4, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { BitBtn4Click(); }));
}

void TForm20::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded(this, [this] { FormShow(); });
}

void TForm20::done(int result) {
    // Typing not saved is dropped without a question.
    dm.IBQuery1.close();
    QDialog::done(result);
}

void TForm20::FormShow() {
    dm.IBQuery1.close();
    dm.IBQuery1.open();
}

void TForm20::BitBtn4Click() {
    ui::flushEditors(this);
    data::Dataset& requisites = dm.IBQuery1;
    if (requisites.state() == data::DatasetState::Browse && !requisites.updatesPending()) return;
    // A refusal puts the fields back to what is stored.
    requisites.save(data::SaveFailure::CancelChanges);
}
