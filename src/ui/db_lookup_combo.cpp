#include "ui/db_lookup_combo.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

#include "ui/dialogs.h"

namespace ui {

DbLookupComboBox::DbLookupComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QVariant chosen = itemData(index);
        if (source_ && source_->dataset()) {
            const bool ok = guarded(this, [&] {
                data::Dataset& d = *source_->dataset();
                d.edit();
                d.setValue(dataField_, chosen);
            });
            if (!ok) {
                readFromDataset();
                return;
            }
        }
        setKeyValue(chosen);
    });
}

void DbLookupComboBox::setListSource(data::DataSource* list, const QString& keyField,
                                     const QStringList& displayFields) {
    if (list_) disconnect(list_, nullptr, this, nullptr);
    list_ = list;
    listKey_ = keyField;
    listDisplay_ = displayFields;
    if (displayFields.size() > 1) {
        auto* table = new QTableView(this);
        table->horizontalHeader()->hide();
        table->verticalHeader()->hide();
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->horizontalHeader()->setStretchLastSection(true);
        setModel(new QStandardItemModel(0, int(displayFields.size()), this));
        setView(table);
    }
    connect(list_, &data::DataSource::datasetChanged, this, &DbLookupComboBox::refill);
    if (list_->dataset()) {
        connect(list_->dataset(), &data::Dataset::resetDone, this, &DbLookupComboBox::refill);
        connect(list_->dataset(), &data::Dataset::rowChanged, this, &DbLookupComboBox::refill);
    }
    refill();
}

void DbLookupComboBox::setDataSource(data::DataSource* source, const QString& dataField) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    dataField_ = dataField;
    connect(source_, &data::DataSource::dataChanged, this, &DbLookupComboBox::readFromDataset);
    readFromDataset();
}

void DbLookupComboBox::refill() {
    filling_ = true;
    clear();
    data::Dataset* d = list_ ? list_->dataset() : nullptr;
    if (d && d->isActive()) {
        const int key = d->fieldIndex(listKey_);
        QVector<int> shown;
        for (const QString& f : listDisplay_) shown << d->fieldIndex(f);
        auto* table = qobject_cast<QStandardItemModel*>(model());
        for (int row = 0; row < d->recordCount(); ++row) {
            addItem(d->valueAt(row, shown[0]).toString(), d->valueAt(row, key));
            for (int c = 1; table && c < shown.size(); ++c)
                table->setItem(row, c, new QStandardItem(d->valueAt(row, shown[c]).toString()));
        }
    }
    filling_ = false;
    showKey();
}

void DbLookupComboBox::showKey() {
    filling_ = true;
    int index = -1;
    if (key_.isValid() && !key_.isNull()) {
        for (int i = 0; i < count(); ++i) {
            if (itemData(i).toLongLong() == key_.toLongLong()) {
                index = i;
                break;
            }
        }
    }
    setCurrentIndex(index);
    filling_ = false;
}

void DbLookupComboBox::setKeyValue(const QVariant& key) {
    QVariant wanted = key;
    bool known = false;
    for (int i = 0; i < count() && !known; ++i)
        known = !key.isNull() && itemData(i).toLongLong() == key.toLongLong();
    if (!known) wanted = QVariant();
    const bool changed =
        wanted.isNull() != key_.isNull() || wanted.toLongLong() != key_.toLongLong();
    key_ = wanted;
    showKey();
    if (changed) emit keyValueChanged(key_);
}

void DbLookupComboBox::readFromDataset() {
    data::Dataset* d = source_ ? source_->dataset() : nullptr;
    key_ = (d && d->isActive()) ? d->value(dataField_) : QVariant();
    showKey();
}

}  // namespace ui
