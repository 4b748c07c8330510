// The query builder Form4: counts results in the register by freely chosen criteria.
#pragma once

#include <QDialog>

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("Form4");
        setWindowTitle(QStringLiteral("Создание запросов к базе данных"));
    }
};

extern TForm4* Form4;
