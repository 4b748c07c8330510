#include "ui/db_grid.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "ui/dialogs.h"

namespace ui {

DbGrid::DbGrid(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
}

void DbGrid::setDataSource(data::DataSource* source) {
    delete model_;
    model_ = new DatasetModel(source, this);
    setModel(model_);
    // While rows come and go the view shifts its current row by itself; that shift must not
    // move the dataset (it would abandon a row being inserted). The view follows the dataset.
    auto structureChanging = [this] { syncing_ = true; };
    auto structureChanged = [this] {
        syncing_ = false;
        if (model_->dataset()) followDataset(model_->dataset()->currentRow());
    };
    connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, structureChanging);
    connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, structureChanging);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, structureChanging);
    connect(model_, &QAbstractItemModel::rowsInserted, this, structureChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, structureChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, [this, structureChanged] {
        applyWidths();
        structureChanged();
    });
    connect(source, &data::DataSource::dataChanged, this, [this] {
        if (model_->dataset()) followDataset(model_->dataset()->currentRow());
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (syncing_ || !current.isValid() || !model_->dataset()) return;
                guarded(this, [&] { model_->dataset()->moveTo(current.row()); });
            });
    applyWidths();
}

void DbGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
    applyWidths();
}

void DbGrid::setColumnVisible(int column, bool visible) {
    model_->setColumnVisible(column, visible);
    setColumnHidden(column, !visible);
}

void DbGrid::applyWidths() {
    if (!model_) return;
    const int charWidth = fontMetrics().averageCharWidth();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const GridColumn& column = model_->columns()[c];
        int width = column.width;
        const int f = model_->fieldIndexOfColumn(c);
        if (width <= 0 && f >= 0)
            width = std::clamp(model_->dataset()->fields()[f].effectiveDisplayWidth(), 4, 64) *
                        charWidth +
                    8;
        // Sections keep their sizes across a reopening; only what differs is set.
        const bool sized = horizontalHeader()->sectionResizeMode(c) == QHeaderView::Interactive;
        if (sized && width > 0 && columnWidth(c) != width && !isColumnHidden(c))
            setColumnWidth(c, width);
        if (isColumnHidden(c) == column.visible) setColumnHidden(c, !column.visible);
    }
}

void DbGrid::followDataset(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    if (currentIndex().row() == row) return;
    syncing_ = true;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, std::max(0, column)));
    syncing_ = false;
}

}  // namespace ui

namespace ui {

void DbGrid::keyPressEvent(QKeyEvent* event) {
    data::Dataset* d = model_ ? model_->dataset() : nullptr;
    if (rowKeys_ && d && d->isActive() && state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
            guarded(this, [&] { d->insert(); });
            return;
        }
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            if (!d->isEmpty() && confirm(this, QStringLiteral("Удалить запись?")))
                guarded(this, [&] { d->remove(); });
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

}  // namespace ui
