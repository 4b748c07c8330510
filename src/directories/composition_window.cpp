#include "directories/composition_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "data/lab_data.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

namespace {

QPushButton* glyphButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint,
                         const QString& text = {}) {
    auto* b = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CompositionWindow::CompositionWindow(LabData& lab, QWidget* parent)
    : ModalWindow(parent), labData(lab), session(lab.session) {
    setObjectName("CompositionWindow");
    setWindowTitle(QStringLiteral("Группы препаратов"));
    resize(980, 620);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    auto* top = new QHBoxLayout;
    typesGrid = new ui::DbGrid(this);
    typesGrid->setIncrementalSearch("NAME");
    top->addWidget(typesGrid, 1);
    auto* typeButtons = new QVBoxLayout;
    addTypeButton = glyphButton(this, QStyle::SP_FileDialogNewFolder,
                                QStringLiteral("Добавить вид исследования"));
    deleteTypeButton =
        glyphButton(this, QStyle::SP_TrashIcon, QStringLiteral("Удалить вид исследования"));
    typeButtons->addWidget(addTypeButton);
    typeButtons->addWidget(deleteTypeButton);
    typeButtons->addStretch(1);
    top->addLayout(typeButtons);
    layout->addLayout(top, 2);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    indicatorsGrid = new ui::DbGrid(splitter);
    indicatorsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    indicatorsGrid->setIncrementalSearch("NAME");
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* rowButtons = new QVBoxLayout;
    addIndicatorButton =
        glyphButton(right, QStyle::SP_ArrowRight, QStringLiteral("Добавить в выбранную группу"));
    removeIndicatorButton =
        glyphButton(right, QStyle::SP_ArrowLeft, QStringLiteral("Удалить из выбранной группы"));
    saveButton = glyphButton(right, QStyle::SP_DialogSaveButton, QStringLiteral("Запомнить "));
    for (QPushButton* b : {addIndicatorButton, removeIndicatorButton, saveButton})
        rowButtons->addWidget(b);
    rowButtons->addStretch(1);
    rightLayout->addLayout(rowButtons);
    compositionGrid = new ui::DbGrid(right);
    compositionGrid->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                     QAbstractItemView::AnyKeyPressed);
    compositionGrid->viewport()->installEventFilter(this);
    rightLayout->addWidget(compositionGrid, 1);
    splitter->addWidget(indicatorsGrid);
    splitter->addWidget(right);
    splitter->setSizes({560, 400});
    layout->addWidget(splitter, 3);

    auto connectButton = [this](QPushButton* b, void (CompositionWindow::*method)()) {
        connect(b, &QPushButton::clicked, this,
                ui::command(this, [this, method] { (this->*method)(); }));
    };
    connectButton(addTypeButton, &CompositionWindow::addType);
    connectButton(deleteTypeButton, &CompositionWindow::deleteType);
    connectButton(addIndicatorButton, &CompositionWindow::addIndicator);
    connectButton(removeIndicatorButton, &CompositionWindow::removeIndicator);
    connectButton(saveButton, &CompositionWindow::saveChanges);
    connect(indicatorsGrid, &QAbstractItemView::doubleClicked, this,
            ui::command(this, [this] { addIndicator(); }));
    connect(compositionGrid, &QAbstractItemView::doubleClicked, this,
            ui::command(this, [this] { removeIndicator(); }));
}

void CompositionWindow::bindGrids() {
    typesChanged_ = false;
    typesGrid->setDataSource(session.compositionTypesSource);
    indicatorsGrid->setDataSource(session.compositionIndicatorsSource);
    compositionGrid->setDataSource(session.compositionRowsSource);
}

void CompositionWindow::done(int result) {
    // Closing saves, a cell being edited included; a save the database refuses keeps the window
    // open with the changes.
    if (!ui::commitEditors(this)) return;
    if (!closing_) {
        closing_ = true;
        const bool saved = ui::guarded(this, [this] { saveChanges(); });
        closing_ = false;
        if (!saved) return;
    }
    ModalWindow::done(result);
}

void CompositionWindow::addType() {
    data::Dataset& types = *session.compositionTypes;
    types.insert();
    // Committed at once: a type is shown as stored only once it is, so a later refusal cannot
    // make it vanish with its composition left behind.
    data::saveTogether({&types});
    typesChanged_ = true;
}

void CompositionWindow::deleteType() {
    data::Dataset& types = *session.compositionTypes;
    if (types.isEmpty()) return;
    // A type still in use stays; other unsaved edits of the types wait for the save.
    types.removeAndSave();
    typesChanged_ = true;
}

void CompositionWindow::addIndicator() {
    data::Dataset& rows = *session.compositionRows;
    rows.insert();
    rows.save(data::SaveFailure::KeepChanges);
    labData.readComposition(session.compositionTypes->value("N_LISSL"));
}

void CompositionWindow::removeIndicator() {
    data::Dataset& rows = *session.compositionRows;
    if (!rows.isEmpty()) rows.remove();
}

void CompositionWindow::saveChanges() {
    const bool typesChanged = session.compositionTypes->updatesPending();
    // Both buffers go out in one commit; a refusal keeps them for correction.
    data::saveTogether({session.compositionRows, session.compositionTypes});
    typesChanged_ = typesChanged_ || typesChanged;
}

bool CompositionWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != compositionGrid->viewport()) return QDialog::eventFilter(watched, event);
    auto rowAt = [this](QEvent* e) {
        return compositionGrid->rowAt(static_cast<QMouseEvent*>(e)->position().toPoint().y());
    };
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            ui::guarded(this, [&] { startDrag(rowAt(event)); });
            break;
        case QEvent::MouseMove:
            if (drag_.active) {
                // The current row follows the pointer, and the grid follows the current row:
                // the grid's own selecting by dragging would leave it highlighting another.
                const int row = rowAt(event);
                if (row >= 0) session.compositionRows->moveTo(row);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            ui::guarded(this, [&] { dropOn(rowAt(event)); });
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void CompositionWindow::startDrag(int row) {
    data::Dataset& rows = *session.compositionRows;
    if (row >= 0) rows.moveTo(row);
    drag_.active = true;
    drag_.sourceId = rows.value("N_LIPR").toInt();
    drag_.sourcePosition = rows.value("NPP").toInt();
    QApplication::setOverrideCursor(Qt::PointingHandCursor);
}

void CompositionWindow::dropOn(int row) {
    if (!drag_.active) return;
    drag_.active = false;
    QApplication::restoreOverrideCursor();
    data::Dataset& rows = *session.compositionRows;
    if (row >= 0) rows.moveTo(row);
    LabData::CompositionMove move;
    move.type = session.compositionTypes->value("N_LISSL").toInt();
    move.movedRow = drag_.sourceId;
    move.fromPosition = drag_.sourcePosition;
    move.targetRow = rows.value("N_LIPR").toInt();
    move.toPosition = rows.value("NPP").toInt();
    labData.moveCompositionRow(move);
}
