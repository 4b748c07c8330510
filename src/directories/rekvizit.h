// The requisites window Form20: the laboratory's own names, address and head.
#pragma once

#include <QDialog>

class TForm20 : public QDialog {
    Q_OBJECT
public:
    explicit TForm20(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("Form20");
        setWindowTitle(QStringLiteral("Реквизиты учреждения"));
    }
};

extern TForm20* Form20;
