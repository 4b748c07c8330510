// The search page "Поиск": finds investigation records across the whole register.
#pragma once

#include <QWidget>

class QDateEdit;

class SearchPage : public QWidget {
    Q_OBJECT
public:
    explicit SearchPage(QWidget* parent = nullptr);

    QDateEdit* periodFrom;  // "Дата с.."
    QDateEdit* periodTo;    // "по.."
};
