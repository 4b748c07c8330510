// The main window: the journal and search pages, the menu bar, start-up and shutdown.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include "data/session.h"
#include "reports/journal_reports.h"

class LabData;
class JournalPage;
class SearchPage;
class DirectoryWindow;
class ResearchCard;
class CompositionWindow;
class TimeNormsWindow;
class RequisitesWindow;
class QueryBuilderWindow;
class DeletedInvestigationsWindow;
class OverviewWindow;
class QAction;
class QProgressBar;
class QLabel;
class QTabWidget;

namespace data {
class Dataset;
class DataSource;
}  // namespace data

// The windows the main window opens, each a single instance for the run.
struct OpenedWindows {
    DirectoryWindow* directory = nullptr;
    ResearchCard* card = nullptr;
    CompositionWindow* composition = nullptr;
    // Destroys itself when closed; the menu makes a new one.
    RequisitesWindow* requisites = nullptr;
    TimeNormsWindow* timeNorms = nullptr;
    QueryBuilderWindow* queryBuilder = nullptr;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(LabData& labData, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setWindows(const OpenedWindows& windows);
    RequisitesWindow* requisitesWindow() const;

    // Where Reg.INI is read from: beside the executable unless a test says otherwise.
    void setRegIniPath(const QString& path) { regIniPath_ = path; }
    // True once the user chose to end the program at the failed login.
    bool terminateRequested() const { return terminateRequested_; }

    // Start-up (first show) and shutdown (close); see the .cpp for their steps. Unattended,
    // the shutdown asks nothing: what cannot be saved stays out of the database and is said on
    // standard error, and the program closes all the same.
    enum class ShutdownMode { Interactive, Unattended };
    void startUp();
    bool shutDown(ShutdownMode mode = ShutdownMode::Interactive);
    // Closes the program as "Выход" does when it is asked to end from outside (a stop signal):
    // windows shown modally are closed as their close box would, nobody is asked, and the event
    // loop ends with status 0.
    void closeUnattended();

    // "Пациенты / Поиск пациента": the search page, its criteria cleared.
    void findPatient();
    // "Отчеты": the named reports and the period report over the journal's selection.
    void makeNamedReport();
    void makeFullNamedReport();
    void makePeriodReport();
    // "Отчеты / Сводка" over the journal's institution, type and period.
    void openOverview();

    // "Пациенты / Скопировать данные пациента": the journal's current record from the register.
    void copyPatient();
    // "Пациенты / Удаленные исследования".
    void openDeletedInvestigations();

    // The menu bar's commands (the directories, the composition, the norms, the requisites).
    void openInstitutions();
    void openInvestigationTypes();
    void openDoctors();
    void openIndicators();
    void openFundingSources();
    void openDepartments();
    void openLabAssistants();
    void openComposition();
    void openTimeNorms();
    void openQueryBuilder();
    void openRequisites();

    LabData& labData;
    Session& session;
    QTabWidget* pages;
    JournalPage* journalPage;
    SearchPage* searchPage;
    QProgressBar* progressBar;
    QLabel* statusText;  // the status bar's one panel

    // "Пациенты"
    QAction* findPatientAction;
    QAction* copyPatientAction;
    QAction* deletedInvestigationsAction;
    // "Справочники"
    QAction* investigationTypesAction;
    QAction* indicatorsAction;
    QAction* compositionAction;
    QAction* timeNormsAction;
    QAction* institutionsAction;
    QAction* departmentsAction;
    QAction* fundingSourcesAction;
    QAction* doctorsAction;
    QAction* labAssistantsAction;
    QAction* requisitesAction;
    // "Отчеты"
    QAction* namedReportAction;
    QAction* fullNamedReportAction;
    QAction* periodReportAction;
    QAction* queryBuilderAction;
    QAction* overviewAction;  // "Сводка"
    QAction* exitAction;  // "Выход"

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What the journal page shows of a directory's rows.
    enum class JournalShows { Nothing, Rows, ListAndRows };
    void buildMenu();
    // The search page is entered or left.
    void pageChanged();
    void readRequisites();
    // False (the user told what to run) when the database lacks some of the schema.
    bool schemaUpToDate();
    // Refuses a login the server attached without the role Reg.INI names, saying why.
    bool loginHoldsRole(const QString& role);
    void showDirectory(DirectoryKind kind, const QString& caption, data::Dataset& dataset,
                       data::DataSource& source, JournalShows shown);

    reports::JournalReports reports_;
    OpenedWindows windows_;
    QPointer<RequisitesWindow> requisitesWindow_;
    DeletedInvestigationsWindow* deletedInvestigations_ = nullptr;
    OverviewWindow* overview_ = nullptr;
    QString regIniPath_;
    bool shown_ = false;
    bool terminateRequested_ = false;
    bool closingUnattended_ = false;
    int modalWindowsClosed_ = 0;
    QPointer<QWidget> lastModalClosed_;
    void finishUnattendedClose();
};
