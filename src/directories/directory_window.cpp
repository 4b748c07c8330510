#include "directories/directory_window.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/lab_data.h"
#include "reports/grid_export.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

DirectoryWindow::DirectoryWindow(LabData& labData, QWidget* parent)
    : ModalWindow(parent), session(labData.session) {
    setObjectName("DirectoryWindow");
    setWindowTitle(QStringLiteral("Справочник"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    resize(760, 480);

    auto* layout = new QVBoxLayout(this);
    grid = new ui::DbGrid(this);
    grid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    layout->addWidget(grid, 1);
    gridMenu = new QMenu(grid);
    exportAction = gridMenu->addAction(QStringLiteral("Выгрузить в Excel"));
    connect(exportAction, &QAction::triggered, this,
            ui::command(this, [this] { reports::exportGrid(*grid, session, this); }));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { gridMenu->popup(grid->viewport()->mapToGlobal(at)); });

    auto* bottom = new QHBoxLayout;
    auto navigatorButton = [this](QStyle::StandardPixmap icon, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        return b;
    };
    insertButton =
        navigatorButton(QStyle::SP_FileDialogNewFolder, QStringLiteral("Добавить запись"));
    deleteButton = navigatorButton(QStyle::SP_TrashIcon, QStringLiteral("Удалить запись"));
    editButton =
        navigatorButton(QStyle::SP_FileDialogDetailedView, QStringLiteral("Изменить запись"));
    for (QToolButton* b : {insertButton, deleteButton, editButton}) bottom->addWidget(b);
    bottom->addSpacing(12);
    searchButton = new QPushButton(QStringLiteral("Поиск"), this);
    bottom->addWidget(searchButton);
    searchLabel = new QLabel(QStringLiteral("Введите символы"), this);
    bottom->addWidget(searchLabel);
    searchEdit = new QLineEdit(this);
    searchEdit->setMaximumWidth(180);
    searchEdit->installEventFilter(this);
    bottom->addWidget(searchEdit);
    bottom->addStretch(1);
    saveButton = new QPushButton(QStringLiteral("Запомнить"), this);
    cancelButton = new QPushButton(QStringLiteral("Отменить"), this);
    exitButton = new QPushButton(QStringLiteral("Выход"), this);
    exitButton->setStyleSheet(QStringLiteral("font-weight: bold;"));
    for (QPushButton* b : {saveButton, cancelButton, exitButton}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    searchButton->setAutoDefault(false);
    layout->addLayout(bottom);

    connect(insertButton, &QToolButton::clicked, this,
            ui::command(this, [this] { session.directory->insert(); }));
    connect(deleteButton, &QToolButton::clicked, this, ui::command(this, [this] {
                data::Dataset& d = *session.directory;
                if (!d.isEmpty() && ui::confirm(this, QStringLiteral("Удалить запись?")))
                    d.remove();
            }));
    connect(editButton, &QToolButton::clicked, this,
            ui::command(this, [this] { session.directory->edit(); }));
    connect(saveButton, &QPushButton::clicked, this, ui::command(this, [this] { saveChanges(); }));
    // Dropping the edits writes nothing first: a refused cell must not keep the grid from it.
    connect(cancelButton, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { cancelChanges(); }); });
    connect(searchButton, &QPushButton::clicked, this, [this] { startSearch(); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
    connect(searchEdit, &QLineEdit::textChanged, this,
            ui::command(this, [this] { searchAsTyped(); }));
    showSearch(false);
}

bool DirectoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchEdit && event->type() == QEvent::FocusOut) endSearch();
    // Escape in the search box ends the search, not the window.
    if (watched == searchEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        searchEdit->clear();
        grid->setFocus();
        endSearch();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool DirectoryWindow::unsavedChanges() const {
    const data::Dataset* d = session.directory;
    return d && d->isActive() && d->updatesPending();
}

void DirectoryWindow::showSearch(bool on) {
    searchLabel->setVisible(on);
    searchLabel->setEnabled(on);
    searchEdit->setVisible(on);
    searchEdit->setEnabled(on);
}

void DirectoryWindow::openDirectory() {
    // Columns come from the dataset now handed over: nothing of the previous directory stays.
    grid->setDataSource(session.directorySource);
    savedChanges_ = false;
    showSearch(false);
    grid->setFocus();
    session.directory->close();
    session.directory->open();
}

void DirectoryWindow::saveChanges() {
    data::Dataset& d = *session.directory;
    if (d.state() == data::DatasetState::Browse && !d.updatesPending()) return;
    // A failed save leaves nothing unsaved behind: the grid shows the rows as stored.
    d.save(data::SaveFailure::CancelChanges);
    savedChanges_ = true;
    d.close();
    d.open();
}

void DirectoryWindow::cancelChanges() {
    session.directory->cancelUpdates();
}

void DirectoryWindow::startSearch() {
    showSearch(true);
    searchEdit->clear();
    searchEdit->setFocus();
}

void DirectoryWindow::searchAsTyped() {
    data::Dataset& d = *session.directory;
    const QString text = searchEdit->text();
    if (text.isEmpty()) {
        d.first();
        return;
    }
    const int column = std::max(0, grid->currentIndex().column());
    const int field = grid->datasetModel()->fieldIndexOfColumn(column);
    if (field < 0) return;
    d.locate(d.fields()[field].name, text, data::LocatePartialKey | data::LocateCaseInsensitive);
}

void DirectoryWindow::endSearch() {
    showSearch(false);
}
