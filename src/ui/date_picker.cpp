#include "ui/date_picker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

#include "data/field.h"
#include "ui/dialogs.h"

namespace ui {

DatePicker::DatePicker(const QString& fieldName, QWidget* parent)
    : QDateEdit(parent), fieldName_(fieldName) {
    setCalendarPopup(true);
    setDisplayFormat(data::kDateFormat);
    // A date chosen in the calendar or stepped with the arrows replaces any half-typed one.
    connect(this, &QDateTimeEdit::dateChanged, this, [this] { pending_ = false; });
}

void DatePicker::typeDigit(QChar digit) {
    QLineEdit* edit = lineEdit();
    QString text = edit->text();
    int pos = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const auto skipSeparator = [&] {
        while (pos < text.size() && !text[pos].isDigit()) ++pos;
    };
    skipSeparator();
    if (pos >= text.size()) return;
    text[pos++] = digit;
    skipSeparator();
    const QDate typed = QDate::fromString(text, data::kDateFormat);
    if (typed.isValid()) {
        pending_ = false;
        setDate(typed);
        edit->deselect();
        edit->setCursorPosition(pos);
        return;
    }
    // Shown as typed. The spin box must not read it, nor see the cursor move to another part
    // of it: either would bend it into a date of its own (31.11 into 30.11).
    pending_ = true;
    const QSignalBlocker quiet(edit);
    edit->setText(text);
    edit->deselect();
    edit->setCursorPosition(pos);
}

void DatePicker::typeSeparator() {
    // A dot typed after a day or a month goes on to the next part, as a masked edit does.
    QLineEdit* edit = lineEdit();
    const QString text = edit->text();
    int pos = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    if (pos > 0 && text[pos - 1] == u'.') return;
    const int next = int(text.indexOf(u'.', pos));
    if (next < 0) return;
    const QSignalBlocker quiet(pending_ ? edit : nullptr);
    edit->deselect();
    edit->setCursorPosition(next + 1);
}

void DatePicker::dropPending() {
    if (!pending_) return;
    pending_ = false;
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(date().toString(data::kDateFormat));
}

QValidator::State DatePicker::validate(QString& input, int& pos) const {
    // The picker's own reading would bend a half-typed date into one of its own (31.11 into
    // 30.11): while one is being typed it stands as it is.
    if (pending_ && !QDate::fromString(input, data::kDateFormat).isValid())
        return QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

void DatePicker::fixup(QString& input) const {
    if (!pending_) QDateEdit::fixup(input);
}

bool DatePicker::flush() {
    if (!pending_ || refusing_) return !pending_;
    refusing_ = true;
    showError(this, QStringLiteral("«%1» не является датой (поле «%2»).")
                        .arg(lineEdit()->text(), fieldName_));
    refusing_ = false;
    setFocus();
    return false;
}

void DatePicker::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = !(event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
    if (plain && text.size() == 1 && text[0].isDigit()) {
        typeDigit(text[0]);
        return;
    }
    if (plain && text == QStringLiteral(".")) {
        typeSeparator();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!flush()) return;
            break;
        case Qt::Key_Escape:
            dropPending();
            break;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (pending_) {
                // Moving along a half-typed date leaves it as it is.
                QLineEdit* edit = lineEdit();
                const int end = int(edit->text().size());
                const int pos = edit->cursorPosition();
                const int key = event->key();
                const QSignalBlocker quiet(edit);
                edit->deselect();
                edit->setCursorPosition(key == Qt::Key_Home  ? 0
                                        : key == Qt::Key_End ? end
                                        : key == Qt::Key_Left ? std::max(0, pos - 1)
                                                              : std::min(end, pos + 1));
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (pending_) {
                // Out of the picker, where the half-typed date is refused.
                QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab);
                return;
            }
            break;
        default:
            // Any other editing works on the date shown, not on a half-typed one.
            dropPending();
            break;
    }
    QDateEdit::keyPressEvent(event);
}

void DatePicker::focusOutEvent(QFocusEvent* event) {
    // Leaving with an impossible date keeps it for correction; the picker would otherwise bend
    // it into a date of its own.
    if (pending_) {
        QWidget::focusOutEvent(event);
        const Qt::FocusReason reason = event->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) flush();
        return;
    }
    QDateEdit::focusOutEvent(event);
}

}  // namespace ui
