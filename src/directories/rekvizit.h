// The requisites window Form20: the laboratory's own names, address and head (RECV_ST).
// Made when the menu asks for it and destroyed when closed.
#pragma once

#include <QDialog>
#include <QPointer>

class TdmV;
class QPushButton;

namespace ui {
class DbEdit;
}

class TForm20 : public QDialog {
    Q_OBJECT
public:
    explicit TForm20(TdmV& dm, QWidget* parent = nullptr);

    void FormShow();
    void BitBtn4Click();  // "Сохранить"

    TdmV& dm;
    ui::DbEdit* DBEdit1;  // Краткое наименование
    ui::DbEdit* DBEdit2;  // Полное наименование
    ui::DbEdit* DBEdit3;  // Адрес
    ui::DbEdit* DBEdit4;  // Руководитель
    QPushButton* BitBtn4;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

extern QPointer<TForm20> Form20;
