// The universal directory window un_spr: shows and edits whichever reference table it is given
// through CurrentDirectoryQuery and CurrentDirectorySource.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QToolButton;

namespace ui {
class DbGrid;
}

class Tun_spr : public QDialog {
    Q_OBJECT
public:
    explicit Tun_spr(QWidget* parent = nullptr);

    void FormActivate();
    void Button2Click();  // "Запомнить"
    void Button4Click();  // "Отменить"
    void Button3Click();  // "Поиск"
    void Edit1Change();   // incremental search
    void Edit1Exit();

    ui::DbGrid* DBGridEh1;
    QToolButton* InsertButton;  // the navigator: insert, delete, edit
    QToolButton* DeleteButton;
    QToolButton* EditButton;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Button1;
    QPushButton* Button3;
    QLabel* Label1;
    QLineEdit* Edit1;
    QMenu* PopupMenu1;
    QAction* Excel1;  // "Выгрузить в Excel"

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSearch(bool on);
};

extern Tun_spr* un_spr;
