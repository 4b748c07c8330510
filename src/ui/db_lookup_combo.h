// A lookup selector: shows a list dataset's display column and holds its key. Bound to a key
// field of another dataset it writes the chosen key there; unbound it only holds the key.
#pragma once

#include <QComboBox>
#include <QPointer>

#include "data/data_source.h"

namespace ui {

class DbLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DbLookupComboBox(QWidget* parent = nullptr);

    // With several display fields the drop-down shows them as columns; the box shows the first.
    void setListSource(data::DataSource* list, const QString& keyField,
                       const QStringList& displayFields);
    void setListSource(data::DataSource* list, const QString& keyField,
                       const QString& displayField) {
        setListSource(list, keyField, QStringList{displayField});
    }
    void setDataSource(data::DataSource* source, const QString& dataField);

    // The key shown; an invalid QVariant when nothing is chosen. Choosing a key the list does
    // not hold clears the selector.
    QVariant keyValue() const { return key_; }
    void setKeyValue(const QVariant& key);

    void hidePopup() override;
    // The drop-down list is open, or closed with its popupHidden() still to come.
    bool listInUse() const;

signals:
    // The key changed, by the user or by the program.
    void keyValueChanged(const QVariant& key);
    // The drop-down list closed, whether or not a choice was made; a choice is taken first.
    void popupHidden();

protected:
    // Delete or Backspace clears the choice.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refill();
    bool holdsList() const;
    int indexOf(const QVariant& key) const;  // the item of a key, -1 for none
    void showKey();
    void readFromDataset();
    void choose(const QVariant& key);

    QPointer<data::DataSource> list_;
    QString listKey_;
    QStringList listDisplay_;
    QPointer<data::DataSource> source_;
    QString dataField_;
    QVariant key_;
    QVector<qlonglong> keys_;  // the key of each item, for finding a key quickly
    bool filling_ = false;
    bool listClosing_ = false;
};

}  // namespace ui
