#include "history/deleted_investigations_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/clock.h"
#include "data/lab_data.h"
#include "history/change_history_window.h"
#include "reports/grid_export.h"
#include "ui/date_picker.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

DeletedInvestigationsWindow::DeletedInvestigationsWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent), labData(lab), history(lab.history) {
    setObjectName("DeletedInvestigationsWindow");
    setWindowTitle(QStringLiteral("Удаленные исследования"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    resize(1000, 520);

    auto* layout = new QVBoxLayout(this);
    auto* period = new QHBoxLayout;
    periodFrom = new ui::DatePicker(QStringLiteral("Удалены с"), this);
    periodTo = new ui::DatePicker(QStringLiteral("по"), this);
    showButton = new QPushButton(QStringLiteral("Показать"), this);
    period->addWidget(new QLabel(QStringLiteral("Удалены с"), this));
    period->addWidget(periodFrom);
    period->addWidget(new QLabel(QStringLiteral("по"), this));
    period->addWidget(periodTo);
    period->addWidget(showButton);
    period->addStretch(1);
    layout->addLayout(period);

    grid = new ui::DbGrid(this);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setDataSource(&history.deletedSource);
    layout->addWidget(grid, 1);
    gridMenu = new QMenu(grid);
    historyAction = gridMenu->addAction(QStringLiteral("История изменений"));
    exportAction = gridMenu->addAction(QStringLiteral("Выгрузить в Excel"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { gridMenu->popup(grid->viewport()->mapToGlobal(at)); });

    auto* buttons = new QHBoxLayout;
    historyButton = new QPushButton(QStringLiteral("История изменений"), this);
    exitButton = new QPushButton(QStringLiteral("Выход"), this);
    buttons->addWidget(historyButton);
    buttons->addStretch(1);
    buttons->addWidget(exitButton);
    layout->addLayout(buttons);
    historyButton->setAutoDefault(false);

    connect(showButton, &QPushButton::clicked, this, ui::command(this, [this] { showDeleted(); }));
    const auto openHistory = ui::command(this, [this] { showHistory(); });
    connect(historyButton, &QPushButton::clicked, this, openHistory);
    connect(historyAction, &QAction::triggered, this, openHistory);
    connect(grid, &QAbstractItemView::doubleClicked, this, openHistory);
    connect(exportAction, &QAction::triggered, this, ui::command(this, [this] {
                reports::exportGrid(*grid, labData.session, this,
                                    QStringLiteral("Закрыть EXCEL?"));
            }));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
}

void DeletedInvestigationsWindow::openWindow() {
    // The last month's deletions, today included.
    const QDate today = data::clock::today();
    for (ui::DatePicker* picker : {periodFrom, periodTo}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(picker == periodFrom ? today.addMonths(-1) : today);
    }
    showDeleted();
}

void DeletedInvestigationsWindow::showDeleted() {
    if (periodFrom->date() > periodTo->date()) {
        ui::showError(this, QStringLiteral("Начало периода позже его конца."));
        return;
    }
    history.readDeleted(periodFrom->date(), periodTo->date());
    grid->resizeRowsToContents();
}

void DeletedInvestigationsWindow::showHistory() {
    if (!history.deleted.isActive() || history.deleted.isEmpty()) {
        ui::information(this, QStringLiteral("Выберите удаленное исследование в списке."));
        return;
    }
    ChangeHistoryWindow::showFor(historyWindow_, labData, this,
                                 history.deleted.value("N_ISSLED").toInt());
}

void DeletedInvestigationsWindow::windowClosing() {
    history.deleted.close();
}
