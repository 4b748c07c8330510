#include "ui/date_picker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "data/field.h"
#include "ui/dialogs.h"

namespace ui {

DatePicker::DatePicker(const QString& fieldName, QWidget* parent)
    : QDateEdit(parent), fieldName_(fieldName) {
    setCalendarPopup(true);
    setDisplayFormat(data::kDateFormat);
    // A date chosen in the calendar replaces any typing.
    connect(this, &QDateTimeEdit::dateChanged, this, [this] { pending_ = false; });
}

void DatePicker::showTyping(const QString& text, int cursor) {
    pending_ = true;
    QLineEdit* edit = lineEdit();
    const QSignalBlocker quiet(edit);
    if (edit->text() != text) edit->setText(text);
    edit->deselect();
    edit->setCursorPosition(cursor);
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
    showTyping(text, pos);
}

void DatePicker::typeSeparator() {
    // A dot typed after a day or a month goes on to the next part, as a masked edit does.
    const QString text = lineEdit()->text();
    const int pos = lineEdit()->hasSelectedText() ? lineEdit()->selectionStart()
                                                  : lineEdit()->cursorPosition();
    if (pos > 0 && text[pos - 1] == u'.') return;
    const int next = int(text.indexOf(u'.', pos));
    if (next >= 0) showTyping(text, next + 1);
}

void DatePicker::dropPending() {
    if (!pending_) return;
    pending_ = false;
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(date().toString(data::kDateFormat));
}

QValidator::State DatePicker::validate(QString& input, int& pos) const {
    // While a date is being typed the text stands as it is: it is read when it is taken.
    if (pending_) return QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

void DatePicker::fixup(QString& input) const {
    if (!pending_) QDateEdit::fixup(input);
}

bool DatePicker::flush() {
    if (!pending_) return true;
    const QString text = lineEdit()->text();
    const QDate typed = QDate::fromString(text, data::kDateFormat);
    if (typed.isValid()) {
        const int cursor = lineEdit()->cursorPosition();
        pending_ = false;
        setDate(typed);
        lineEdit()->setCursorPosition(cursor);
        return true;
    }
    // Said once: the click that took the focus away may run a command that asks again.
    if (refusing_) return false;
    refusing_ = true;
    showError(this, QStringLiteral("«%1» не является датой (поле «%2»).").arg(text, fieldName_));
    setFocus();
    QTimer::singleShot(0, this, [this] { refusing_ = false; });
    return false;
}

void DatePicker::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool plain = !(modifiers & ~(Qt::KeypadModifier | Qt::ShiftModifier));
    if (plain && text.size() == 1 && text[0].isDigit()) {
        typeDigit(text[0]);
        return;
    }
    if (plain && text == QStringLiteral(".")) {
        typeSeparator();
        return;
    }
    const int key = event->key();
    if (plain && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        // The date's digits are typed over, never taken out: Backspace steps back over one so
        // that the next digit replaces it, Delete leaves the text as it is; with a selection
        // both go to its start. The text keeps its ten places for the digits that follow.
        QLineEdit* edit = lineEdit();
        const QString shown = edit->text();
        int pos = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        if (!edit->hasSelectedText() && key == Qt::Key_Backspace) {
            pos = std::max(0, pos - 1);
            while (pos > 0 && !shown[pos].isDigit()) --pos;
        }
        if (pending_) {
            showTyping(shown, pos);
        } else {
            edit->deselect();
            edit->setCursorPosition(pos);
        }
        return;
    }
    if (pending_) {
        switch (key) {
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_AltGr:
            case Qt::Key_Meta:
                return;  // a modifier alone changes nothing
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Home:
            case Qt::Key_End: {
                // Moving along the typed text leaves it as it is.
                const int end = int(lineEdit()->text().size());
                const int pos = lineEdit()->cursorPosition();
                showTyping(lineEdit()->text(), key == Qt::Key_Home    ? 0
                                               : key == Qt::Key_End   ? end
                                               : key == Qt::Key_Left  ? std::max(0, pos - 1)
                                                                      : std::min(end, pos + 1));
                return;
            }
            case Qt::Key_Escape:
                dropPending();
                return;
            default:
                if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) {
                    event->ignore();  // a shortcut of the window's
                    return;
                }
                // Enter, the arrows and the rest work on the typed date once it is taken.
                if (!flush()) return;
                break;
        }
    }
    QDateEdit::keyPressEvent(event);
}

bool DatePicker::focusNextPrevChild(bool next) {
    // Tab goes on through the parts of a date once the typed one is taken; an impossible one
    // keeps the focus for correction.
    if (!flush()) return true;
    return QDateEdit::focusNextPrevChild(next);
}

void DatePicker::focusOutEvent(QFocusEvent* event) {
    // Leaving with an impossible date keeps it for correction; the spin box would bend it into
    // a date of its own. A window or a drop-down taking the focus is no leaving.
    const Qt::FocusReason reason = event->reason();
    if (pending_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        flush();
    if (pending_) {
        QWidget::focusOutEvent(event);
        return;
    }
    QDateEdit::focusOutEvent(event);
}

}  // namespace ui
