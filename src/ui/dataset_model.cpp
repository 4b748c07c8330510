#include "ui/dataset_model.h"

#include "ui/dialogs.h"

namespace ui {

DatasetModel::DatasetModel(data::DataSource* source, QObject* parent)
    : QAbstractTableModel(parent), source_(source) {
    connect(source_, &data::DataSource::datasetChanged, this, [this] {
        beginResetModel();
        bind();
        endResetModel();
    });
    bind();
}

void DatasetModel::bind() {
    if (bound_) disconnect(bound_, nullptr, this, nullptr);
    bound_ = dataset();
    rebuildColumns();
    if (!bound_) return;
    // While the dataset's controls are disabled the views keep seeing the rows as they were;
    // everything that happens is told once when the controls are enabled again.
    auto quietChange = [this] {
        if (bracket_) return true;
        if (!bound_->controlsDisabled()) return false;
        frozenRows_ = rowCount();
        frozenFields_ = fieldOfColumn_;
        bracket_ = true;
        return true;
    };
    connect(bound_, &data::Dataset::aboutToReset, this, [this, quietChange] {
        if (!quietChange()) beginResetModel();
    });
    connect(bound_, &data::Dataset::resetDone, this, [this] {
        if (bracket_) return;
        rebuildColumns();
        endResetModel();
    });
    connect(bound_, &data::Dataset::controlsEnabled, this, [this] {
        if (!bracket_) return;
        // The same rows and columns read again (a card reopened, say) only change their values:
        // that is cheaper for the views than a reset, and they keep their place.
        const bool sameShape = bound_->isActive() && bound_->recordCount() == frozenRows_;
        if (sameShape) {
            bracket_ = false;
            rebuildColumns();
            if (fieldOfColumn_ == frozenFields_) {
                if (frozenRows_ > 0 && columnCount() > 0) {
                    emit dataChanged(index(0, 0), index(frozenRows_ - 1, columnCount() - 1));
                    emit headerDataChanged(Qt::Vertical, 0, frozenRows_ - 1);
                }
                return;
            }
            bracket_ = true;
        }
        beginResetModel();
        bracket_ = false;
        rebuildColumns();
        endResetModel();
    });
    connect(bound_, &data::Dataset::rowAboutToBeInserted, this, [this, quietChange](int row) {
        if (!quietChange()) beginInsertRows({}, row, row);
    });
    connect(bound_, &data::Dataset::rowInserted, this, [this] {
        if (!bracket_) endInsertRows();
    });
    connect(bound_, &data::Dataset::rowAboutToBeRemoved, this, [this, quietChange](int row) {
        if (!quietChange()) beginRemoveRows({}, row, row);
    });
    connect(bound_, &data::Dataset::rowRemoved, this, [this] {
        if (!bracket_) endRemoveRows();
    });
    connect(bound_, &data::Dataset::rowChanged, this, [this, quietChange](int row) {
        if (quietChange()) return;
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    auto indicatorMoved = [this] {
        if (!bracket_ && rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    };
    connect(bound_, &data::Dataset::currentChanged, this, indicatorMoved);
    connect(bound_, &data::Dataset::stateChanged, this, indicatorMoved);
}

void DatasetModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    ownColumns_ = !columns.isEmpty();
    columns_ = columns;
    rebuildColumns();
    endResetModel();
}

void DatasetModel::setColumnVisible(int column, bool visible) {
    if (column >= 0 && column < columns_.size()) columns_[column].visible = visible;
}

void DatasetModel::rebuildColumns() {
    if (!ownColumns_) {
        columns_.clear();
        if (bound_) {
            for (const data::Field& f : bound_->fields()) {
                if (!f.visible) continue;
                GridColumn c;
                c.field = f.name;
                c.readOnly = f.readOnly;
                if (f.isNumeric()) c.alignment = Qt::AlignRight | Qt::AlignVCenter;
                columns_ << c;
            }
        }
    }
    rebuildFieldMap();
}

void DatasetModel::rebuildFieldMap() {
    fieldOfColumn_.clear();
    for (const GridColumn& c : columns_)
        fieldOfColumn_ << (bound_ ? bound_->fieldIndex(c.field) : -1);
}

int DatasetModel::fieldIndexOfColumn(int column) const {
    return fieldOfColumn_.value(column, -1);
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !bound_) return 0;
    if (bracket_) return frozenRows_;
    return bound_->isActive() ? bound_->recordCount() : 0;
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !bound_ || index.row() >= rowCount() || !bound_->isActive() ||
        index.row() >= bound_->recordCount())
        return {};
    const GridColumn& column = columns_[index.column()];
    const int f = fieldOfColumn_[index.column()];
    switch (role) {
        case Qt::DisplayRole: {
            if (f < 0) return {};
            const QString text =
                data::displayText(bound_->fields()[f], bound_->valueAt(index.row(), f));
            return column.valueCaptions.value(text, text);
        }
        case Qt::EditRole: {
            if (f < 0) return {};
            const QVariant v = bound_->valueAt(index.row(), f);
            const data::Field& field = bound_->fields()[f];
            // Dates are edited as text in the program's own format, not the system locale's.
            return data::displayText(field, v);
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment);
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            if (cellStyle) {
                const QVariant styled = cellStyle(index.row(), index.column(), role);
                if (styled.isValid()) return styled;
            }
            const QColor& c = role == Qt::BackgroundRole ? column.background : column.foreground;
            return c.isValid() ? QVariant(c) : QVariant();
        }
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator: the current row, and whether it is being edited or inserted.
        if (role != Qt::DisplayRole || !bound_ || section != bound_->currentRow()) return {};
        switch (bound_->state()) {
            case data::DatasetState::Edit:
                return QStringLiteral("✎");
            case data::DatasetState::Insert:
                return QStringLiteral("✱");
            default:
                return QStringLiteral("▶");
        }
    }
    if (section < 0 || section >= columns_.size()) return {};
    if (role != Qt::DisplayRole) return {};
    const GridColumn& c = columns_[section];
    const int f = fieldOfColumn_[section];
    QString title = c.title;
    if (title.isEmpty())
        title = f >= 0   ? bound_->fields()[f].displayLabel()
                : bound_ ? bound_->labelOf(c.field)
                         : c.field;
    // "Level one|level two" titles show as two lines.
    return QString(title).replace(u'|', u'\n');
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int f = fieldOfColumn_.value(index.column(), -1);
    if (bound_ && bound_->isBuffered() && f >= 0 && !columns_[index.column()].readOnly &&
        !bound_->fields()[f].readOnly)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const int f = fieldOfColumn_[index.column()];
    try {
        bound_->moveTo(index.row());
        bound_->edit();
        bound_->setValue(f, value);
        bound_->post();
        return true;
    } catch (const db::DbError& e) {
        editRefused_ = true;
        unencodableRefused_ = dynamic_cast<const data::UnencodableText*>(&e) != nullptr;
        if (bound_->state() == data::DatasetState::Edit) bound_->cancel();
        if (errorHandler)
            errorHandler(e.message());
        else
            showError(nullptr, e.message());
        return false;
    }
}

}  // namespace ui
