// The main window's menu bar and the launching of the directory windows.
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>

#include "data/lab_data.h"
#include "directories/composition_window.h"
#include "directories/directory_window.h"
#include "directories/requisites_window.h"
#include "directories/time_norms_window.h"
#include "history/deleted_investigations_window.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "overview/overview_window.h"
#include "query/query_builder_window.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void MainWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    auto command = [this](QMenu* menu, const QString& caption, const char* name,
                          void (MainWindow::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this,
                ui::command(this, [this, handler] { (this->*handler)(); }));
        return a;
    };
    QMenu* patients = bar->addMenu(QStringLiteral("&Пациенты"));
    findPatientAction = command(patients, QStringLiteral("Поиск пациента"), "findPatientAction",
                                &MainWindow::findPatient);
    copyPatientAction = command(patients, QStringLiteral("Скопировать данные пациента"),
                                "copyPatientAction", &MainWindow::copyPatient);
    deletedInvestigationsAction =
        command(patients, QStringLiteral("Удаленные исследования"), "deletedInvestigationsAction",
                &MainWindow::openDeletedInvestigations);

    QMenu* directories = bar->addMenu(QStringLiteral("&Справочники"));
    QMenu* investigations = directories->addMenu(QStringLiteral("Лабораторные исследования"));
    investigationTypesAction =
        command(investigations, QStringLiteral("Лабораторные исследования"),
                "investigationTypesAction", &MainWindow::openInvestigationTypes);
    indicatorsAction = command(investigations, QStringLiteral("Показатели для лаб. исследований"),
                               "indicatorsAction", &MainWindow::openIndicators);
    compositionAction =
        command(investigations, QStringLiteral("Стандарты показателей лаб. исследований"),
                "compositionAction", &MainWindow::openComposition);
    timeNormsAction = command(investigations, QStringLiteral("Норма времени"), "timeNormsAction",
                              &MainWindow::openTimeNorms);
    directories->addSeparator();
    institutionsAction = command(directories, QStringLiteral("Лечебные учреждения"),
                                 "institutionsAction", &MainWindow::openInstitutions);
    departmentsAction = command(directories, QStringLiteral("Отделения"), "departmentsAction",
                                &MainWindow::openDepartments);
    fundingSourcesAction = command(directories, QStringLiteral("Источники финансирования"),
                                   "fundingSourcesAction", &MainWindow::openFundingSources);
    doctorsAction =
        command(directories, QStringLiteral("Врачи"), "doctorsAction", &MainWindow::openDoctors);
    labAssistantsAction = command(directories, QStringLiteral("Лаборанты"), "labAssistantsAction",
                                  &MainWindow::openLabAssistants);
    directories->addSeparator();
    requisitesAction = command(directories, QStringLiteral("Реквизиты леч.учреждения"),
                               "requisitesAction", &MainWindow::openRequisites);

    QMenu* reports = bar->addMenu(QStringLiteral("&Отчеты"));
    namedReportAction = command(reports, QStringLiteral("Отчет поименный"), "namedReportAction",
                                &MainWindow::makeNamedReport);
    fullNamedReportAction = command(reports, QStringLiteral("Отчет поименный полный"),
                                    "fullNamedReportAction", &MainWindow::makeFullNamedReport);
    periodReportAction = command(reports, QStringLiteral("Отчет за период (показатели)"),
                                 "periodReportAction", &MainWindow::makePeriodReport);
    overviewAction =
        command(reports, QStringLiteral("Сводка"), "overviewAction", &MainWindow::openOverview);
    queryBuilderAction = command(reports, QStringLiteral("Запросы к базе данных"),
                                 "queryBuilderAction", &MainWindow::openQueryBuilder);

    exitAction = bar->addAction(QStringLiteral("&Выход"));
    exitAction->setObjectName("exitAction");
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    // F10 opens the menu bar on its first menu, as in other desktop programs; each caption's
    // underlined letter opens its menu with Alt.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [bar, patients] { bar->setActiveAction(patients->menuAction()); });
}

void MainWindow::copyPatient() {
    journalPage->copyPatientData();
}

void MainWindow::showDirectory(DirectoryKind kind, const QString& caption, data::Dataset& dataset,
                               data::DataSource& source, JournalShows shown) {
    session.directoryKind = kind;
    windows_.directory->setWindowTitle(caption);
    session.directory = &dataset;
    session.directorySource = &source;
    ui::dialogs().showModal(windows_.directory);
    // The journal is read again only when it shows something that changed; it keeps its record.
    if (shown != JournalShows::Nothing && windows_.directory->savedChanges())
        journalPage->rereadAfterDirectoryChange(shown == JournalShows::ListAndRows);
}

void MainWindow::openInstitutions() {
    showDirectory(DirectoryKind::Institutions, QStringLiteral("Справочник ЛПУ"),
                  labData.institutions, labData.institutionsSource, JournalShows::ListAndRows);
}

void MainWindow::openInvestigationTypes() {
    showDirectory(
        DirectoryKind::InvestigationTypes, QStringLiteral("Справочник лабораторных исследований"),
        labData.investigationTypes, labData.investigationTypesSource, JournalShows::ListAndRows);
}

void MainWindow::openDoctors() {
    showDirectory(DirectoryKind::Doctors, QStringLiteral("Справочник врачей"), labData.doctors,
                  labData.doctorsSource, JournalShows::Rows);
}

void MainWindow::openIndicators() {
    showDirectory(DirectoryKind::Indicators,
                  QStringLiteral("Справочник показателей лабораторных исследований"),
                  labData.indicators, labData.indicatorsSource, JournalShows::Nothing);
}

void MainWindow::openFundingSources() {
    showDirectory(DirectoryKind::FundingSources,
                  QStringLiteral("Справочник источников финансирования"), labData.fundingSources,
                  labData.fundingSourcesSource, JournalShows::Nothing);
}

void MainWindow::openDepartments() {
    showDirectory(DirectoryKind::Departments, QStringLiteral("Справочник отделений"),
                  labData.departments, labData.departmentsSource, JournalShows::Rows);
}

void MainWindow::openLabAssistants() {
    showDirectory(DirectoryKind::LabAssistants, QStringLiteral("Справочник лаборантов"),
                  labData.labAssistants, labData.labAssistantsSource, JournalShows::Nothing);
}

void MainWindow::openComposition() {
    session.directoryKind = DirectoryKind::Composition;
    labData.investigationTypes.close();
    labData.investigationTypes.open();
    labData.indicators.close();
    labData.indicators.open();
    labData.readComposition(labData.investigationTypes.value("N_LISSL"));
    session.compositionTypes = &labData.investigationTypes;
    session.compositionTypesSource = &labData.investigationTypesSource;
    session.compositionRows = &labData.composition;
    session.compositionRowsSource = &labData.compositionSource;
    session.compositionIndicators = &labData.indicators;
    session.compositionIndicatorsSource = &labData.indicatorsSource;
    windows_.composition->setWindowTitle(QStringLiteral("Показатели лаб.исследований"));
    ui::dialogs().showModal(windows_.composition);
    labData.composition.close();
    labData.indicators.close();
    labData.investigationTypes.close();
    // Types added, renamed or removed there show in the journal's type list.
    if (windows_.composition->typesChanged()) journalPage->rereadAfterDirectoryChange(true);
}

void MainWindow::openTimeNorms() {
    session.directoryKind = DirectoryKind::TimeNorms;
    ui::dialogs().showModal(windows_.timeNorms);
}

void MainWindow::openQueryBuilder() {
    ui::dialogs().showModal(windows_.queryBuilder);
}

void MainWindow::openDeletedInvestigations() {
    if (!deletedInvestigations_)
        deletedInvestigations_ = new DeletedInvestigationsWindow(labData, this);
    ui::dialogs().showModal(deletedInvestigations_);
}

void MainWindow::openOverview() {
    if (!overview_) overview_ = new OverviewWindow(labData, this);
    data::OverviewSelection chosen;
    chosen.type = session.investigationType;
    const data::Dataset& institutions = journalPage->institutionList;
    if (institutions.isActive() && !institutions.isEmpty())
        chosen.institution = institutions.value("COD_LPU").toInt();
    chosen.from = journalPage->periodFrom->date();
    chosen.to = journalPage->periodTo->date();
    overview_->setSelection(chosen);
    ui::dialogs().showModal(overview_);
}

void MainWindow::openRequisites() {
    if (!requisitesWindow_) requisitesWindow_ = new RequisitesWindow(labData, this);
    ui::dialogs().showModal(requisitesWindow_);
}

void MainWindow::makeNamedReport() {
    tellReportOutcome(
        reports_.namedReport(reports::NamedReportKind::Short, journalPage->selection()), this);
}

void MainWindow::makeFullNamedReport() {
    tellReportOutcome(
        reports_.namedReport(reports::NamedReportKind::Full, journalPage->selection()), this);
}

namespace {

// The progress bar shown while a report is written, hidden on every way out.
class ProgressShown {
public:
    explicit ProgressShown(QProgressBar* bar) : bar_(bar) {}
    ~ProgressShown() { bar_->hide(); }
    void step(int done, int total) {
        if (!shown_) {
            shown_ = true;
            bar_->setRange(0, std::max(1, total));
            bar_->show();
        }
        bar_->setValue(done);
    }

private:
    QProgressBar* bar_;
    bool shown_ = false;
};

}  // namespace

void MainWindow::makePeriodReport() {
    ProgressShown shown(progressBar);
    const reports::Outcome outcome = reports_.periodReport(
        journalPage->selection(), [&](int done, int total) { shown.step(done, total); });
    if (outcome == reports::Outcome::NothingToReport)
        ui::information(this, QStringLiteral("Нет данных"));
}
