#include "history/change_history_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/lab_data.h"
#include "reports/grid_export.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

ChangeHistoryWindow::ChangeHistoryWindow(LabData& labData, QWidget* parent)
    : ModalWindow(parent), history(labData.history), session(labData.session) {
    setObjectName("ChangeHistoryWindow");
    setWindowTitle(QStringLiteral("История изменений"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    resize(1000, 520);

    auto* layout = new QVBoxLayout(this);
    recordLabel = new QLabel(this);
    recordLabel->setStyleSheet(QStringLiteral("font-weight: bold;"));
    layout->addWidget(recordLabel);
    grid = new ui::DbGrid(this);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setDataSource(&history.timelineSource);
    layout->addWidget(grid, 1);

    gridMenu = new QMenu(grid);
    exportAction = gridMenu->addAction(QStringLiteral("Выгрузить в Excel"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { gridMenu->popup(grid->viewport()->mapToGlobal(at)); });

    auto* buttons = new QHBoxLayout;
    exportButton = new QPushButton(QStringLiteral("Выгрузить в Excel"), this);
    exitButton = new QPushButton(QStringLiteral("Выход"), this);
    buttons->addWidget(exportButton);
    buttons->addStretch(1);
    buttons->addWidget(exitButton);
    layout->addLayout(buttons);
    exportButton->setAutoDefault(false);

    const auto exportTimeline =
        ui::command(this, [this] { reports::exportGrid(*grid, session, this); });
    connect(exportAction, &QAction::triggered, this, exportTimeline);
    connect(exportButton, &QPushButton::clicked, this, exportTimeline);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
}

void ChangeHistoryWindow::showFor(ChangeHistoryWindow*& window, LabData& labData,
                                  QWidget* parent, int investigationKey) {
    if (!window) window = new ChangeHistoryWindow(labData, parent);
    window->setInvestigation(investigationKey);
    ui::dialogs().showModal(window);
}

void ChangeHistoryWindow::openWindow() {
    history.readTimeline(investigationKey_);
    const QString patient = history.patientOf(investigationKey_);
    QString text = QStringLiteral("Исследование № %1").arg(investigationKey_);
    if (!patient.isEmpty()) text += QStringLiteral(": ") + patient;
    if (history.timeline.isEmpty())
        text += QStringLiteral(" — изменений в журнале нет");
    recordLabel->setText(text);
    grid->resizeRowsToContents();
}

void ChangeHistoryWindow::windowClosing() {
    history.timeline.close();
}
