// The journal page "Лабораторные исследования": selections on top, institutions on the left, the
// journal of the chosen institution, type and period on the right; its reloads, the marks of
// records without results, and the editing commands that lead to the research card.
#pragma once

#include <QSet>
#include <QWidget>

#include "data/data_source.h"
#include "data/dataset.h"
#include "data/session.h"
#include "reports/journal_reports.h"
#include "reports/patient_documents.h"

class LabData;
class ResearchCard;
class ChangeHistoryWindow;
struct Session;
class QAction;
class QDate;
class QDateEdit;
class QLabel;
class QMenu;
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
    // reports: the program's reports over the journal's selection.
    JournalPage(LabData& labData, reports::JournalReports& reports, QWidget* parent = nullptr);
    ~JournalPage() override;

    // The card that results entry opens.
    void setResearchCard(ResearchCard* card) { card_ = card; }

    // The first journal of a run: the first institution, type 1, today.
    void start(const QDate& today);
    // Rereads the institution and type lists; true when the journal's institution is still there.
    bool rereadLists();

    // The journal's reloads: the institution, the type or the period changed.
    void reloadForInstitution();
    void reloadForType();
    void reloadForPeriod();
    // After a directory whose rows the journal shows was changed: the lists (when asked) and the
    // journal are read again and the journal stays on its record.
    void rereadAfterDirectoryChange(bool lists);

    // Editing and results entry.
    void addRecord();     // "Добавить запись"
    void deleteRecord();  // "Удалить запись"
    void saveRecord();    // "Сохранить запись"
    void enterResults();  // results entry in the card
    // "История изменений": the current record's changes as the database logged them.
    void showHistory();
    // "Печать результатов анализа" / "Просмотр результатов анализа": the current record's sheet.
    void printResult(ResultOutput output);
    // "Печать всех результатов": a printed sheet for every record, then back to the first.
    void printAllResults();
    // What the reports take from the journal: its type, period and institution.
    reports::JournalSelection selection() const;
    // "Журнал": the results journal of the type and period.
    void makeResultsJournal();
    // The patient of the current record, residence left alone, from the register of the
    // record's institution, saved at once.
    void copyPatientData();

    LabData& labData;
    Session& session;

    QToolButton* addRecordButton;
    QToolButton* deleteRecordButton;
    QToolButton* saveRecordButton;
    QDateEdit* periodFrom;  // "Дата с.."
    QDateEdit* periodTo;    // "по.."
    ui::DbLookupComboBox* typeSelector;
    QPushButton* journalDocumentButton;  // "Журнал"
    QGroupBox* institutionsBox;          // "ЛПУ  "
    ui::DbGrid* institutionGrid;
    ui::DbGrid* journalGrid;
    QPushButton* printButton;  // "Печать", with its drop-down menu
    QLabel* totalLabel;        // "Всего: N"
    QMenu* printMenu;
    QMenu* journalMenu;  // the journal grid's menu
    QAction* enterResultsAction;
    QAction* copyPatientDataAction;
    QAction* historyAction;  // "История изменений" of the current record
    QAction* printResultAction;      // in both menus
    QAction* viewResultAction;       // in the print menu
    QAction* printAllResultsAction;  // in both menus

    // The page's own institution list, distinct from the directories' one.
    data::Dataset institutionList;
    data::DataSource institutionListSource;

private:
    void buildControls();
    void bindJournal();
    void bindEditing();
    void bindResultMarks();
    void readResultMarks();
    void setTypeParameters();
    void endTransactionBeforeReading();
    void countJournal();
    enum class EditsOutcome { Saved, Discarded, Kept };
    // Saves what was typed into the journal. When the database refuses, its message offers to
    // drop the refused changes; Kept when the user keeps them for another attempt.
    EditsOutcome saveJournalEdits();
    // Before a command that needs the journal stored: false when it must not go on (the refused
    // edits were kept, or dropped and the journal read again).
    bool saveJournalEditsToGoOn();
    // Before a reload: false when refused edits are kept (the reload must not run).
    bool savePendingEdits();
    // The selectors show again what the journal was read with.
    void showJournalSelection();
    // After a reload: the current record, the total, the buttons and the type column.
    void showJournal();

    ResearchCard* card_ = nullptr;
    ChangeHistoryWindow* historyWindow_ = nullptr;
    reports::PatientDocuments documents_;
    reports::JournalReports& reports_;
    QSet<int> recordsWithResults_;  // keys of the records with a result, read with the journal
    bool started_ = false;
    bool rereadingLists_ = false;  // the institution list is being reread: no journal reload yet
};

// Tells the user, in the journal's words, why a document asked for from the journal or its menu
// was not made (no type chosen, no template); an issued one or nothing to list says nothing.
void tellReportOutcome(reports::Outcome outcome, QWidget* parent);
