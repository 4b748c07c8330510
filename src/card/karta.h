// The research card Form2: one investigation record and its results.
#pragma once

#include <QDialog>

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("Form2");
        setWindowTitle(QStringLiteral("Данные исследования"));
    }
};

extern TForm2* Form2;
