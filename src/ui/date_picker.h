// A date picker with a calendar: a whole date typed digit by digit is taken as typed, whatever
// date the picker showed before; an impossible one is refused naming the picker's field, and
// the typing stays for correction.
#pragma once

#include <QDateEdit>

#include "ui/data_aware.h"

namespace ui {

class DatePicker : public QDateEdit, public DataAware {
    Q_OBJECT
public:
    // fieldName: the caption the refusal names ("Дата с..").
    explicit DatePicker(const QString& fieldName, QWidget* parent = nullptr);

    // True while the text shows digits that make no date yet (31.11.2026 on the way to
    // 31.12.2026); date() is then still the last whole date.
    bool typingPending() const { return pending_; }
    // Refuses an impossible typed date with a message; true when the text is a date.
    bool flush() override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Writes one typed digit over the text at the cursor.
    void typeDigit(QChar digit);
    void typeSeparator();
    void dropPending();

    QString fieldName_;
    bool pending_ = false;
    bool refusing_ = false;
};

}  // namespace ui
