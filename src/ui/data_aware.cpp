#include "ui/data_aware.h"

#include <QFocusEvent>
#include <cstdio>

#include "data/field.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

namespace ui {

namespace {
// The edit that takes the focus back after its text was refused: the control the focus had gone
// to was not left by the user.
const DbEdit* reclaimingFocus = nullptr;
}  // namespace

bool commitEditors(QWidget* window) {
    if (!window) return true;
    for (DbGrid* grid : window->findChildren<DbGrid*>())
        if (!grid->commitEditor()) return false;
    bool accepted = true;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (auto* editor = dynamic_cast<DataAware*>(w)) accepted = editor->flush() && accepted;
    return accepted;
}

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] {
        dirty_ = true;
        data::Dataset* d = source_ ? source_->dataset() : nullptr;
        if (d && d->isActive() && d->state() == data::DatasetState::Browse)
            guarded(this, [&] { d->edit(); });
    });
    connect(this, &QLineEdit::returnPressed, this, &DbEdit::flush);
}

void DbEdit::bind(data::DataSource* source, const QString& field) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    field_ = field;
    connect(source_, &data::DataSource::dataChanged, this, &DbEdit::readField);
    shown_.reset();
    readField();
}

QString DbEdit::textFor(const QVariant& value) const {
    data::Dataset* d = source_ ? source_->dataset() : nullptr;
    const int index = d ? d->fieldIndex(field_) : -1;
    return index < 0 ? value.toString() : data::displayText(d->fields()[index], value);
}

QVariant DbEdit::valueFor(const QString& text) const {
    return text;
}

void DbEdit::readField() {
    if (writing_) return;
    data::Dataset* d = source_ ? source_->dataset() : nullptr;
    const bool active = d && d->isActive();
    const int index = active ? d->fieldIndex(field_) : -1;
    if (index >= 0) {
        const data::Field& f = d->fields()[index];
        if (f.isText() && f.size > 0 && maxLength() != f.size) setMaxLength(f.size);
        // With no record there is nothing to type into: typing must not make one up.
        const bool readOnly = f.readOnly || d->isEmpty();
        if (isReadOnly() != readOnly) setReadOnly(readOnly);
    }
    if (keepRefused_) {
        const bool editing = active && (d->state() == data::DatasetState::Edit ||
                                        d->state() == data::DatasetState::Insert);
        if (editing) return;
        // The edit ended (saved, cancelled, another record): the text follows the record again.
        keepRefused_ = false;
        shown_.reset();
    }
    const QVariant value = index >= 0 ? d->value(index) : QVariant();
    // A record read again with the same value needs no new text (a card opens often).
    if (!dirty_ && shown_ && value == *shown_ && value.typeId() == shown_->typeId()) return;
    const QString shown = index >= 0 ? textFor(value) : QString();
    if (shown != enteredText()) setText(shown);
    if (index >= 0)
        shown_ = value;
    else
        shown_.reset();
    dirty_ = false;
}

bool DbEdit::flush() {
    if (!dirty_) return true;
    data::Dataset* d = source_ ? source_->dataset() : nullptr;
    if (!d || !d->isActive()) return true;
    dirty_ = false;
    writing_ = true;
    bool unencodable = false;
    const bool ok = guarded(this, [&] {
        try {
            d->edit();
            d->setValue(field_, valueFor(text()));
        } catch (const data::UnencodableText&) {
            unencodable = true;
            throw;
        }
    });
    writing_ = false;
    if (unencodable || (!ok && keepsRefusedTyping())) {
        // What was typed stays to be corrected: only a few characters of it are wrong.
        dirty_ = true;
        keepRefused_ = true;
    } else {
        keepRefused_ = false;
        // Show what the field holds now: a refused text goes back to the stored value.
        shown_.reset();
        readField();
    }
    if (!ok) {
        reclaimingFocus = this;
        setFocus();
        reclaimingFocus = nullptr;
    }
    return ok;
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const bool written = flush();
    // The focus also goes when the window is hidden or another window is activated, and when a
    // drop-down opens; none of these leaves the control. A refused text has not left it either.
    const Qt::FocusReason reason = event->reason();
    const bool pushedAway = reclaimingFocus && reclaimingFocus != this;
    if (written && !pushedAway && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason && window()->isVisible())
        emit left();
}

DbDateEdit::DbDateEdit(QWidget* parent) : DbEdit(parent) {
    setInputMask(QStringLiteral("99.99.9999;_"));
}

QString DbDateEdit::textFor(const QVariant& value) const {
    if (value.isNull()) return {};
    const QDate d = value.toDate();
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day(), d.month(), d.year());
    return QString::fromLatin1(text);
}

namespace {
// A date edit holding nothing but its mask stands for no date.
bool onlyMask(const QString& text) {
    for (QChar c : text)
        if (c != u'.' && c != u'_' && c != u' ') return false;
    return true;
}
}  // namespace

QString DbDateEdit::enteredText() const {
    return onlyMask(text()) ? QString() : text();
}

QVariant DbDateEdit::valueFor(const QString& text) const {
    return onlyMask(text) ? QVariant() : QVariant(text);
}

DbComboBox::DbComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        data::Dataset* d = source_ ? source_->dataset() : nullptr;
        if (!d || !d->isActive()) return;
        const QString stored = values_.isEmpty() ? itemText(index) : values_.value(index);
        const bool ok = guarded(this, [&] {
            d->edit();
            d->setValue(field_, stored);
        });
        if (!ok) readField();
    });
}

void DbComboBox::setItems(const QStringList& captions, const QStringList& values) {
    clear();
    addItems(captions);
    values_ = values;
    readField();
}

void DbComboBox::bind(data::DataSource* source, const QString& field) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    field_ = field;
    connect(source_, &data::DataSource::dataChanged, this, &DbComboBox::readField);
    readField();
}

void DbComboBox::readField() {
    data::Dataset* d = source_ ? source_->dataset() : nullptr;
    const QString stored = d && d->isActive() ? d->value(field_).toString() : QString();
    int index = -1;
    for (int i = 0; i < count(); ++i) {
        const QString value = values_.isEmpty() ? itemText(i) : values_.value(i);
        if (!stored.isEmpty() && value == stored) index = i;
    }
    setCurrentIndex(index);
}

}  // namespace ui
