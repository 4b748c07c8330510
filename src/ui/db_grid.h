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

private:
    void applyWidths();
    void followDataset(int row);

    DatasetModel* model_ = nullptr;
    bool syncing_ = false;
};

}  // namespace ui
