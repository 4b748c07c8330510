// The universal directory window un_spr: shows and edits whichever reference table it is given.
#pragma once

#include <QDialog>

class Tun_spr : public QDialog {
    Q_OBJECT
public:
    explicit Tun_spr(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("un_spr");
        setWindowTitle(QStringLiteral("Справочник"));
    }
};

extern Tun_spr* un_spr;
