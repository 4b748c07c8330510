// The research card Form2: one investigation record (the data module's Karta) and its results.
#pragma once

#include <QDialog>

#include "data/data_source.h"
#include "data/dataset.h"

class TdmV;
class QLineEdit;
class QPushButton;
class QToolButton;
class QMenu;
class QAction;
class QGroupBox;

namespace ui {
class DbEdit;
class DbDateEdit;
class DbComboBox;
class DbLookupComboBox;
class DbGrid;
}  // namespace ui

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(TdmV& dm, QWidget* parent = nullptr);

    void FormShow();
    void FormClose();
    void Button5Click();  // "Сохранить"
    void Button3Click();  // "Отменить"
    void Button2Click();  // "Выход"
    void DBEdit12Exit();  // leaving a name edit
    void BitBtn2Click();  // "...": birth date from "Лет" and "Мес"
    void DBGridEh10Enter();
    void DBGridEh10Exit();

    // The birth date "Лет" years and "Мес" months before today, day 1; throws db::DbError
    // with a Russian message when a text is not a whole number or the month cannot be formed.
    static QDate birthDateFromAge(const QString& years, const QString& months, const QDate& today);
    // A name as stored: blanks and control characters trimmed, first letter capitalised.
    static QString capitalizedName(const QString& text);

    TdmV& dm;
    data::Dataset IBQuery2;  // the record's results
    data::DataSource DataSource2;

    // Group 1: patient
    QGroupBox* GroupBox1;
    ui::DbLookupComboBox* DBLookupComboboxEh8;  // ЛПУ
    ui::DbLookupComboBox* DBLookupComboboxEh1;  // Отделение
    ui::DbEdit* DBEdit1;                        // Уник.№
    ui::DbEdit* DBEdit11;                       // № в др.ЛПУ
    ui::DbEdit* DBEdit12;                       // Фамилия
    ui::DbEdit* DBEdit8;                        // Имя
    ui::DbEdit* DBEdit10;                       // Отчество
    ui::DbComboBox* DBComboBoxEh5;              // Пол
    ui::DbDateEdit* DBDateEdit3;                // Дата рождения
    QLineEdit* Edit1;                           // Лет
    QLineEdit* Edit2;                           // Мес
    QPushButton* BitBtn2;                       // "..."
    // Group 2: registered address
    QGroupBox* GroupBox2;
    ui::DbComboBox* DBComboBoxEh2;              // Житель города \ села
    ui::DbLookupComboBox* DBLookupComboboxEh5;  // Страна осн.регистр.
    ui::DbLookupComboBox* DBLookupComboboxEh6;  // Территория
    ui::DbLookupComboBox* DBLookupComboboxEh7;  // Район/округ
    ui::DbEdit* DBEdit5;                        // Нас.пункт
    ui::DbEdit* DBEdit9;                        // Улица, дом, кв.
    // Group 3: card data
    QGroupBox* GroupBox3;
    ui::DbEdit* DBEdit3;  // Карта №
    ui::DbEdit* DBEdit2;  // СНИЛС
    ui::DbEdit* DBEdit6;  // Диагноз МКБ
    // Group 4: sample data
    QGroupBox* GroupBox4;
    ui::DbEdit* DBEdit7;                        // № пп
    ui::DbLookupComboBox* DBLookupComboboxEh2;  // Код обслед.
    ui::DbDateEdit* DBDateEdit1;                // Дата взятия ан.
    ui::DbDateEdit* DBDateEdit2;                // Дата доставки
    ui::DbDateEdit* DBDateEdit4;                // Дата результ.
    ui::DbLookupComboBox* DBLookupComboboxEh3;  // Бюджет
    ui::DbLookupComboBox* DBLookupComboboxEh4;  // Врач
    ui::DbLookupComboBox* DBLookupComboboxEh9;  // Лаборант

    QPushButton* BitBtn1;  // "Копировать данные пациента"
    ui::DbGrid* DBGridEh10;
    QPushButton* RxSpeedButton1;  // "Печать результата"
    QToolButton* RxSpeedButton3;
    QMenu* PopupMenu1;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QPushButton* Button5;
    QPushButton* Button3;
    QPushButton* Button2;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void bindControls();

    bool closing_ = false;
};

extern TForm2* Form2;
