// The search page "Поиск": finds investigation records across the whole register.
#pragma once

#include <QWidget>

class QDateEdit;

class SearchPage : public QWidget {
    Q_OBJECT
public:
    explicit SearchPage(QWidget* parent = nullptr);

    QDateEdit* DateTimePicker3;  // "Дата с.."
    QDateEdit* DateTimePicker4;  // "по.."
};
