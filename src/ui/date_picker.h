// A date picker with a calendar: a date typed digit by digit is taken whole, as typed, whatever
// date the picker showed before; an impossible one is refused naming the picker's field, and the
// typing stays for correction.
#pragma once

#include <QDateEdit>

#include "ui/data_aware.h"

namespace ui {

class DatePicker : public QDateEdit, public DataAware {
    Q_OBJECT
public:
    // fieldName: the caption the refusal names ("Дата с..").
    explicit DatePicker(const QString& fieldName, QWidget* parent = nullptr);

    // Takes the typed date (Enter, leaving the picker, and every command do this); an impossible
    // one is refused with a message and stays. True when the picker holds a date.
    bool flush() override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Writes one typed digit over the text at the cursor.
    void typeDigit(QChar digit);
    void typeSeparator();
    // Shows a text and a cursor the spin box must not read: it would bend the text into a date
    // of its own (31.11 into 30.11).
    void showTyping(const QString& text, int cursor);
    // Back to the date shown before the typing.
    void dropPending();

    QString fieldName_;
    bool pending_ = false;
    bool refusing_ = false;
};

}  // namespace ui
