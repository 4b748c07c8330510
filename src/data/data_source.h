// DataSource: what grids and edit controls bind to; follows one dataset and passes on its signals.
#pragma once

#include <QObject>
#include <QPointer>

#include "data/dataset.h"

namespace data {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Dataset* dataset = nullptr, const QString& name = {},
                        QObject* parent = nullptr)
        : QObject(parent) {
        setObjectName(name);
        setDataset(dataset);
    }

    Dataset* dataset() const { return dataset_; }
    void setDataset(Dataset* dataset) {
        if (dataset_) disconnect(dataset_, nullptr, this, nullptr);
        dataset_ = dataset;
        if (dataset_) {
            connect(dataset_, &Dataset::resetDone, this, &DataSource::dataChanged);
            connect(dataset_, &Dataset::rowChanged, this, &DataSource::dataChanged);
            connect(dataset_, &Dataset::currentChanged, this, &DataSource::dataChanged);
            connect(dataset_, &Dataset::stateChanged, this, &DataSource::stateChanged);
        }
        emit datasetChanged();
        emit dataChanged();
    }

signals:
    void datasetChanged();
    void dataChanged();  // the current record, its values or the whole dataset changed
    void stateChanged();

private:
    QPointer<Dataset> dataset_;
};

}  // namespace data
