// Edit controls bound to one field of a dataset through its data source. Typing puts the
// dataset in edit state; the text is written to the field when the control is left or flushed.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <optional>

#include "data/data_source.h"

namespace ui {

// What every bound control can do: write what the user typed into its field now.
class DataAware {
public:
    virtual ~DataAware() = default;
    // False when the dataset refused the value (the refusal was shown).
    virtual bool flush() = 0;
};

class DbEdit : public QLineEdit, public DataAware {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);
    void bind(data::DataSource* source, const QString& field);
    const QString& fieldName() const { return field_; }
    bool flush() override;

signals:
    // After the control was left and its text written (the name edits capitalise on it); not
    // when the text was refused.
    void left();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    // The text shown for a value and the value for a text; dates override these.
    virtual QString textFor(const QVariant& value) const;
    virtual QVariant valueFor(const QString& text) const;
    // The text as it stands for the field ("" for a date edit showing only its mask).
    virtual QString enteredText() const { return text(); }
    // Whether a text the field refuses stays for correction (a date typed whole) rather than
    // giving way to what the field holds; a text with characters the database cannot hold
    // always stays.
    virtual bool keepsRefusedTyping() const { return false; }
    void readField();

private:
    QPointer<data::DataSource> source_;
    QString field_;
    bool dirty_ = false;
    bool writing_ = false;
    // A refused text that stays for correction while the record is being edited.
    bool keepRefused_ = false;
    std::optional<QVariant> shown_;  // the field's value the text shows
};

// A date in the short format, typed with a mask; empty means NULL.
class DbDateEdit : public DbEdit {
    Q_OBJECT
public:
    explicit DbDateEdit(QWidget* parent = nullptr);

protected:
    QString textFor(const QVariant& value) const override;
    QVariant valueFor(const QString& text) const override;
    QString enteredText() const override;
    bool keepsRefusedTyping() const override { return true; }
};

// A drop-down of fixed items; each shown caption stores its own value (or itself).
class DbComboBox : public QComboBox, public DataAware {
    Q_OBJECT
public:
    explicit DbComboBox(QWidget* parent = nullptr);
    // captions[i] is shown and values[i] stored; without values the caption is stored.
    void setItems(const QStringList& captions, const QStringList& values = {});
    void bind(data::DataSource* source, const QString& field);
    bool flush() override { return true; }

private:
    void readField();

    QStringList values_;
    QPointer<data::DataSource> source_;
    QString field_;
};

}  // namespace ui
