// A table view over a dataset: its current row follows the dataset and moves it in turn.
#pragma once

#include <QTableView>

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

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyWidths();
    void followDataset(int row);

    DatasetModel* model_ = nullptr;
    bool syncing_ = false;
    bool rowKeys_ = false;
};

}  // namespace ui
