#include "directories/time_norms_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/lab_data.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

TimeNormsWindow::TimeNormsWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent), labData(lab) {
    setObjectName("TimeNormsWindow");
    setWindowTitle(QStringLiteral("Ввод нормы времени"));
    resize(540, 460);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Исследование"), this));
    typeSelector = new ui::DbLookupComboBox(this);
    typeSelector->setMaxVisibleItems(12);
    typeSelector->setListSource(&labData.investigationTypesSource, "N_LISSL", "NAME");
    top->addWidget(typeSelector, 1);
    layout->addLayout(top);

    normsGrid = new ui::DbGrid(this);
    normsGrid->setDataSource(&labData.indicatorNormsSource);
    normsGrid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(170, 204, 255); }"));
    normsGrid->horizontalHeader()->setDefaultAlignment(
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
    normsGrid->setColumns({name, doctor, assistant});
    // The names take what the two norms leave; the window is wide enough for all three titles.
    normsGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    const int norms = normsGrid->columnWidth(1) + normsGrid->columnWidth(2);
    resize(std::max(width(), norms + name.width + 60), height());
    layout->addWidget(normsGrid, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    exitButton = new QPushButton(QStringLiteral("Выход"), this);
    for (QPushButton* b : {saveButton, exitButton}) {
        b->setStyleSheet(QStringLiteral("font-weight: bold;"));
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    layout->addLayout(bottom);

    connect(typeSelector, &ui::DbLookupComboBox::popupHidden, this,
            ui::command(this, [this] { showNormsOfType(); }));
    // A type chosen with the keys, the list closed, shows its norms as well.
    connect(typeSelector, &ui::DbLookupComboBox::keyValueChanged, this, [this] {
        if (!typeSelector->listInUse()) ui::command(this, [this] { showNormsOfType(); })();
    });
    connect(saveButton, &QPushButton::clicked, this, ui::command(this, [this] { saveNorms(); }));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
}

bool TimeNormsWindow::unsavedChanges() const {
    return labData.indicatorNorms.isActive() && labData.indicatorNorms.updatesPending();
}

void TimeNormsWindow::dropUnsavedChanges() {
    labData.indicatorNorms.cancelUpdates();
}

void TimeNormsWindow::openTypes() {
    labData.investigationTypes.close();
    labData.investigationTypes.open();
    typeSelector->setKeyValue(0);
}

void TimeNormsWindow::showNormsOfType() {
    labData.indicatorNorms.close();
    labData.indicatorNorms.setParam("n_lissl", typeSelector->keyValue().toInt());
    labData.indicatorNorms.open();
}

void TimeNormsWindow::saveNorms() {
    labData.indicatorNorms.save(data::SaveFailure::KeepChanges);
}

void TimeNormsWindow::closeDatasets() {
    labData.indicatorNorms.close();
    labData.investigationTypes.close();
}
