#include "ui/db_lookup_combo.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

#include "ui/dialogs.h"

namespace ui {

DbLookupComboBox::DbLookupComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) { choose(itemData(index)); });
}

void DbLookupComboBox::choose(const QVariant& chosen) {
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
}

void DbLookupComboBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        event->modifiers() == Qt::NoModifier && isEnabled()) {
        if (!key_.isNull()) choose(QVariant());
        return;
    }
    QComboBox::keyPressEvent(event);
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
    connect(list_, &data::DataSource::contentChanged, this, &DbLookupComboBox::refill);
    refill();
}

void DbLookupComboBox::setDataSource(data::DataSource* source, const QString& dataField) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    dataField_ = dataField;
    connect(source_, &data::DataSource::dataChanged, this, &DbLookupComboBox::readFromDataset);
    readFromDataset();
}

bool DbLookupComboBox::holdsList() const {
    data::Dataset* d = list_ ? list_->dataset() : nullptr;
    const int rows = d && d->isActive() ? d->recordCount() : 0;
    if (rows != count() || listDisplay_.size() > 1) return false;
    const int key = rows ? d->fieldIndex(listKey_) : -1;
    const int shown = rows ? d->fieldIndex(listDisplay_[0]) : -1;
    for (int row = 0; row < rows; ++row)
        if (itemData(row) != d->valueAt(row, key) ||
            itemText(row) != d->valueAt(row, shown).toString())
            return false;
    return true;
}

void DbLookupComboBox::refill() {
    // A list reopened with the same rows leaves the items as they are.
    if (holdsList()) {
        showKey();
        return;
    }
    filling_ = true;
    clear();
    keys_.clear();
    data::Dataset* d = list_ ? list_->dataset() : nullptr;
    if (d && d->isActive()) {
        const int key = d->fieldIndex(listKey_);
        QVector<int> shown;
        for (const QString& f : listDisplay_) shown << d->fieldIndex(f);
        auto* table = qobject_cast<QStandardItemModel*>(model());
        for (int row = 0; row < d->recordCount(); ++row) {
            addItem(d->valueAt(row, shown[0]).toString(), d->valueAt(row, key));
            keys_ << d->valueAt(row, key).toLongLong();
            for (int c = 1; table && c < shown.size(); ++c)
                table->setItem(row, c, new QStandardItem(d->valueAt(row, shown[c]).toString()));
        }
    }
    filling_ = false;
    showKey();
}

void DbLookupComboBox::showKey() {
    filling_ = true;
    const int index = indexOf(key_);
    if (index != currentIndex()) setCurrentIndex(index);
    filling_ = false;
}

void DbLookupComboBox::hidePopup() {
    // Hiding the window hides the list too; only a list that was open has been closed.
    const bool wasOpen = view() && view()->isVisible();
    QComboBox::hidePopup();
    // A click on an item closes the list before the choice is made: tell once it is.
    if (!wasOpen) return;
    listClosing_ = true;
    QTimer::singleShot(0, this, [this] {
        listClosing_ = false;
        emit popupHidden();
    });
}

bool DbLookupComboBox::listInUse() const {
    return listClosing_ || (view() && view()->isVisible());
}

int DbLookupComboBox::indexOf(const QVariant& key) const {
    return key.isNull() ? -1 : int(keys_.indexOf(key.toLongLong()));
}

void DbLookupComboBox::setKeyValue(const QVariant& key) {
    const QVariant wanted = indexOf(key) >= 0 ? key : QVariant();
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
