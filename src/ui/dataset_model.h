// Shows a dataset in a Qt view: a column list (field, title, width, alignment, colours) over
// the dataset's rows, with in-place editing into the dataset's buffer.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QPointer>
#include <functional>
#include <utility>

#include "data/data_source.h"

namespace ui {

struct GridColumn {
    QString field;
    QString title;  // empty: the field's display label
    int width = 0;  // pixels; 0: from the field's display width
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor foreground;
    QColor background;
    bool visible = true;
    bool readOnly = false;
    // Stored value → the text shown for it (a code shown by its caption); values it lacks are
    // shown as they are.
    QHash<QString, QString> valueCaptions;
};

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetModel(data::DataSource* source, QObject* parent = nullptr);

    // An empty list shows the dataset's visible fields, rebuilt each time it opens.
    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return columns_; }
    // Shows or hides a column of the own column list; views read it at every reset.
    void setColumnVisible(int column, bool visible);
    data::Dataset* dataset() const { return source_ ? source_->dataset() : nullptr; }
    int fieldIndexOfColumn(int column) const;

    // Lets a window restyle a cell (e.g. mark a row): called for Background/Foreground roles.
    std::function<QVariant(int row, int column, int role)> cellStyle;
    // Receives errors of in-place edits (a text that is not a date); defaults to the error box.
    std::function<void(const QString&)> errorHandler;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // True once when an edit was refused since the last call.
    bool takeRefusedEdit() { return std::exchange(editRefused_, false); }
    // True once when an edit was refused for characters the database cannot hold since the last
    // call: the cell editor keeps the typed text then.
    bool takeUnencodableEdit() { return std::exchange(unencodableRefused_, false); }

private:
    void bind();
    void rebuildColumns();
    void rebuildFieldMap();

    QPointer<data::DataSource> source_;
    QPointer<data::Dataset> bound_;
    QList<GridColumn> columns_;
    QVector<int> fieldOfColumn_;
    bool ownColumns_ = false;
    bool editRefused_ = false;
    bool unencodableRefused_ = false;
    bool bracket_ = false;  // the dataset changed while its controls were disabled
    int frozenRows_ = 0;    // the rows the views know of meanwhile
    QVector<int> frozenFields_;
};

}  // namespace ui
