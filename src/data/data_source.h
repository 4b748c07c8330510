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
            connect(dataset_, &Dataset::resetDone, this, [this] { notify(true); });
            connect(dataset_, &Dataset::rowChanged, this, [this] { notify(true); });
            connect(dataset_, &Dataset::currentChanged, this, [this] { notify(false); });
            connect(dataset_, &Dataset::stateChanged, this, &DataSource::stateChanged);
            connect(dataset_, &Dataset::controlsEnabled, this, [this] {
                if (pendingContent_) emit contentChanged();
                if (pendingContent_ || pendingData_) emit dataChanged();
                pendingContent_ = pendingData_ = false;
            });
        }
        emit datasetChanged();
        emit contentChanged();
        emit dataChanged();
    }

signals:
    void datasetChanged();
    void dataChanged();     // the current record, its values or the whole dataset changed
    void contentChanged();  // rows or values changed (not a mere move of the current record)
    void stateChanged();

private:
    // While the dataset's controls are disabled the news waits, once, for their enabling.
    void notify(bool content) {
        if (dataset_ && dataset_->controlsDisabled()) {
            pendingContent_ = pendingContent_ || content;
            pendingData_ = true;
            return;
        }
        if (content) emit contentChanged();
        emit dataChanged();
    }

    QPointer<Dataset> dataset_;
    bool pendingContent_ = false;
    bool pendingData_ = false;
};

}  // namespace data
