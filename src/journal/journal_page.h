// The journal page "Лабораторные исследования": selections on top, institutions on the left,
// the journal of the chosen institution, type and period on the right.
#pragma once

#include <QWidget>

class QDateEdit;
class QLabel;
class QToolButton;
class QPushButton;
class QGroupBox;

namespace ui {
class DbGrid;
class DbLookupComboBox;
}  // namespace ui

class JournalPage : public QWidget {
    Q_OBJECT
public:
    explicit JournalPage(QWidget* parent = nullptr);

    QToolButton* RxSpeedButton1;                // "Добавить запись"
    QToolButton* RxSpeedButton2;                // "Удалить запись"
    QToolButton* RxSpeedButton4;                // "Сохранить запись"
    QDateEdit* DateTimePicker1;                 // "Дата с.."
    QDateEdit* DateTimePicker2;                 // "по.."
    ui::DbLookupComboBox* DBLookupComboboxEh1;  // investigation type
    QPushButton* BitBtn1;                       // "Журнал"
    QGroupBox* GroupBox1;                       // "ЛПУ  "
    ui::DbGrid* DBGridEh2;                      // institutions
    ui::DbGrid* DBGridEh1;                      // the journal
    QPushButton* PrintButton;                   // "Печать"
    QLabel* Label3;                             // "Всего: N"
};
