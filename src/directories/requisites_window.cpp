#include "directories/requisites_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "data/lab_data.h"
#include "ui/data_aware.h"
#include "ui/dialogs.h"

RequisitesWindow::RequisitesWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent), labData(lab) {
    setObjectName("RequisitesWindow");
    setWindowTitle(QStringLiteral("Реквизиты учреждения"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QGridLayout(this);
    // A message about a field names it as its caption here does.
    QList<data::FieldSpec> captions;
    auto field = [&](int row, const QString& label, const char* name, int width) {
        captions << data::FieldSpec{QString::fromLatin1(name), label, true, 0, false};
        auto* caption = new QLabel(label, this);
        caption->setStyleSheet(QStringLiteral("font-weight: bold;"));
        auto* edit = new ui::DbEdit(this);
        edit->setStyleSheet(QStringLiteral("font-weight: bold;"));
        edit->setFixedWidth(width);
        edit->bind(&labData.requisitesSource, name);
        layout->addWidget(caption, row * 2, 0, 1, 2);
        layout->addWidget(edit, row * 2 + 1, 0, Qt::AlignLeft);
        return edit;
    };
    shortNameEdit = field(0, QStringLiteral("Краткое наименование"), "NAME", 377);
    fullNameEdit = field(1, QStringLiteral("Полное наименование"), "NAME_FULL", 685);
    addressEdit = field(2, QStringLiteral("Адрес"), "ADRES", 685);
    headEdit = field(3, QStringLiteral("Руководитель"), "GLAV_VR", 377);
    labData.requisites.close();
    labData.requisites.declareFields(captions);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    saveButton->setToolTip(QStringLiteral("Запомнить"));
    saveButton->setAutoDefault(false);
    layout->addWidget(saveButton, 7, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(saveButton, &QPushButton::clicked, this,
            ui::command(this, [this] { saveRequisites(); }));
}

bool RequisitesWindow::unsavedChanges() const {
    return labData.requisites.isActive() && labData.requisites.updatesPending();
}

void RequisitesWindow::dropUnsavedChanges() {
    labData.requisites.cancelUpdates();
}

void RequisitesWindow::windowClosing() {
    labData.requisites.close();
}

void RequisitesWindow::openRequisites() {
    labData.requisites.close();
    labData.requisites.open();
    // Only the one row the database was made with can be changed here.
    if (labData.requisites.isEmpty())
        ui::information(this, QStringLiteral("В базе данных нет строки реквизитов учреждения: "
                                             "изменить их здесь нельзя."));
}

void RequisitesWindow::saveRequisites() {
    if (!ui::commitEditors(this)) return;
    data::Dataset& requisites = labData.requisites;
    if (requisites.state() == data::DatasetState::Browse && !requisites.updatesPending()) return;
    // A refusal puts the fields back to what is stored.
    requisites.save(data::SaveFailure::CancelChanges);
}
