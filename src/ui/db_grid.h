// A table view over a dataset: its current row follows the dataset and moves it in turn.
#pragma once

#include <QColor>
#include <QHash>
#include <QPersistentModelIndex>
#include <QTableView>
#include <optional>

#include "ui/dataset_model.h"

namespace ui {

class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);

    void setDataSource(data::DataSource* source);
    DatasetModel* datasetModel() const { return model_; }
    void setColumns(const QList<GridColumn>& columns);
    // Hides a column for good: it stays hidden when the dataset is reopened.
    void setColumnVisible(int column, bool visible);
    // Insert adds a row and Ctrl+Delete deletes the current one after a question, into the buffer.
    void setRowKeys(bool on) { rowKeys_ = on; }
    // Typed letters find the first row whose field starts with them instead of editing the cell;
    // F2 or Enter edits.
    void setIncrementalSearch(const QString& field);
    // Writes an open cell editor's text into the dataset and closes the editor; false (the
    // editor left open) when the value was refused.
    bool commitEditor();

signals:
    // A double click below the last row, where no record is.
    void doubleClickedOutsideRows();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // A cell's text refused for characters the database cannot hold stays in the cell's editor
    // for correction.
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // A cell whose text is cut shows it whole as its tooltip.
    bool viewportEvent(QEvent* event) override;

private:
    void applyWidths();
    void fitHeaderHeight();
    // The blank the style leaves on each side of a title.
    int headerMargin() const;
    void followDataset(int row);
    bool searchKey(QKeyEvent* event);

    DatasetModel* model_ = nullptr;
    bool syncing_ = false;
    bool rowKeys_ = false;
    QStringList fittedTitles_;  // the titles the header height was last fitted to
    bool titleWidthsChanged_ = false;
    QString searchField_;
    QString searchText_;
    qint64 lastSearchKey_ = 0;
    std::optional<QPersistentModelIndex> refusedCell_;  // refused by the last commit of an editor
};

// A footer row for a grid, laid out right below it: its cells stand under the grid's visible
// columns and follow their widths and the horizontal scrolling.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(DbGrid* grid, QWidget* parent = nullptr);

    void setText(int column, const QString& text,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    QString text(int column) const { return cells_.value(column).text; }
    void setColors(const QColor& background, const QColor& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Cell {
        QString text;
        Qt::Alignment alignment;
    };
    DbGrid* grid_;
    QHash<int, Cell> cells_;
    QColor background_;
    QColor textColor_;
};

}  // namespace ui
