// The research card: one investigation record (the shared card dataset) and its results.
#pragma once

#include "ui/modal_window.h"

#include "data/data_source.h"
#include "data/dataset.h"
#include "data/session.h"
#include "reports/patient_documents.h"

class ChangeHistoryWindow;
class LabData;
struct Session;
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

class ResearchCard : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit ResearchCard(LabData& labData, QWidget* parent = nullptr);

    // Each showing reads the record the journal chose and its results.
    void openRecord();
    // Every way of closing: a record left without a name may be deleted.
    void closeRecord();
    void saveRecord();  // "Сохранить"
    // "Печать результата" and "Просмотр результата": saved, read again, then the result sheet.
    void printResult(ResultOutput output);
    // The drop-down's "Печать оперативного донесения" and "Печать направления на ИФА(ВИЧ)".
    void printNotification();
    void printReferral();
    void cancelChanges();        // "Отменить": drops the edits and closes
    // "История изменений": the record's changes as the database logged them (what is saved;
    // the typing not yet saved is not there).
    void showHistory();
    void capitalizeNames();      // leaving a name edit
    void setBirthDateFromAge();  // "...": birth date from "Лет" and "Мес"
    // "Копировать данные пациента": the patient's particulars, residence included, from the
    // register of the record's institution, saved at once.
    void copyPatient();
    // The results grid widens over the middle groups while it has the focus.
    void widenResults();
    void narrowResults();

    // The birth date "Лет" years and "Мес" months before today, day 1; throws db::DbError
    // with a Russian message when a text is not a whole number or the month cannot be formed.
    static QDate birthDateFromAge(const QString& years, const QString& months, const QDate& today);
    // A name as stored: blanks and control characters trimmed, first letter capitalised.
    static QString capitalizedName(const QString& text);

    LabData& labData;
    Session& session;
    data::Dataset results;  // the record's results
    data::DataSource resultsSource;

    // Group 1: patient
    QGroupBox* patientBox;
    ui::DbLookupComboBox* institutionSelector;  // ЛПУ
    ui::DbLookupComboBox* departmentSelector;   // Отделение
    ui::DbEdit* uniqueNumberEdit;               // Уник.№
    ui::DbEdit* otherNumberEdit;                // № в др.ЛПУ
    ui::DbEdit* surnameEdit;                    // Фамилия
    ui::DbEdit* firstNameEdit;                  // Имя
    ui::DbEdit* patronymicEdit;                 // Отчество
    ui::DbComboBox* sexSelector;                // Пол
    ui::DbDateEdit* birthDateEdit;              // Дата рождения
    QLineEdit* ageYearsEdit;                    // Лет
    QLineEdit* ageMonthsEdit;                   // Мес
    QPushButton* birthDateFromAgeButton;        // "..."
    // Group 2: registered address
    QGroupBox* addressBox;
    ui::DbComboBox* residenceSelector;        // Житель города \ села
    ui::DbLookupComboBox* countrySelector;    // Страна осн.регистр.
    ui::DbLookupComboBox* territorySelector;  // Территория
    ui::DbLookupComboBox* districtSelector;   // Район/округ
    ui::DbEdit* settlementEdit;               // Нас.пункт
    ui::DbEdit* streetEdit;                   // Улица, дом, кв.
    // Group 3: card data
    QGroupBox* cardDataBox;
    ui::DbEdit* cardNumberEdit;  // Карта №
    ui::DbEdit* snilsEdit;       // СНИЛС
    ui::DbEdit* diagnosisEdit;   // Диагноз МКБ
    // Group 4: sample data
    QGroupBox* sampleBox;
    ui::DbEdit* sequenceNumberEdit;                 // № пп
    ui::DbLookupComboBox* examinationCodeSelector;  // Код обслед.
    ui::DbDateEdit* samplingDateEdit;               // Дата взятия ан.
    ui::DbDateEdit* deliveryDateEdit;               // Дата доставки
    ui::DbDateEdit* resultDateEdit;                 // Дата результ.
    ui::DbLookupComboBox* fundingSourceSelector;    // Бюджет
    ui::DbLookupComboBox* doctorSelector;           // Врач
    ui::DbLookupComboBox* labAssistantSelector;     // Лаборант

    QPushButton* copyPatientButton;  // "Копировать данные пациента"
    ui::DbGrid* resultsGrid;
    QPushButton* printResultButton;  // "Печать результата"
    QToolButton* printMenuButton;
    QMenu* printMenu;
    QAction* viewResultAction;
    QAction* printNotificationAction;
    QAction* printReferralAction;
    QPushButton* historyButton;  // "История изменений"
    QPushButton* saveButton;
    QPushButton* cancelButton;
    QPushButton* exitButton;

    void done(int result) override;

protected:
    void openWindow() override { openRecord(); }

private:
    void buildControls();
    void bindControls();

    // Saves as "Сохранить" does and reads the record again, so that a document shows the names
    // of the keys just chosen.
    void saveAndReread();

    reports::PatientDocuments documents_;
    ChangeHistoryWindow* historyWindow_ = nullptr;
    bool closing_ = false;
};
