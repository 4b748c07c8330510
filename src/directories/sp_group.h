// The research composition window Form12: which indicators each investigation type comprises.
#pragma once

#include <QDialog>

class TForm12 : public QDialog {
    Q_OBJECT
public:
    explicit TForm12(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("Form12");
        setWindowTitle(QStringLiteral("Группы препаратов"));
    }
};

extern TForm12* Form12;
