// The time norm window Form3: doctors' and assistants' minutes per determination.
#pragma once

#include <QDialog>

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("Form3");
        setWindowTitle(QStringLiteral("Ввод нормы времени"));
    }
};

extern TForm3* Form3;
