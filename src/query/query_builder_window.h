// The query builder: counts results in the register by freely chosen criteria. The criteria are
// ticked in a list, their values picked in a panel each; "Сформировать" writes the counting
// statement, runs it and shows its rows, which can be sorted by column titles, exported, and
// whose statement can be shown, saved and loaded from a file and run again.
#pragma once

#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "data/data_source.h"
#include "db/firebird.h"
#include "query/query_lists.h"
#include "query/query_text.h"
#include "ui/modal_window.h"

class LabData;
class QAction;
class QComboBox;
class QFrame;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace ui {
class DbGrid;
class GridFooter;
}  // namespace ui

class QueryBuilderWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    // The criteria in the order of the criteria list.
    enum Criterion {
        PeriodCriterion,
        TypeCriterion,
        SexCriterion,
        AgeCriterion,
        CountryCriterion,
        ResidenceCriterion,
        TerritoryCriterion,
        DistrictCriterion,
        InstitutionCriterion,
        DepartmentCriterion,
        ExaminationCodeCriterion,
        FundingSourceCriterion,
        DoctorCriterion,
        LabAssistantCriterion,
        DiagnosisCriterion,
        CriterionCount
    };

    explicit QueryBuilderWindow(LabData& labData, QWidget* parent = nullptr);
    ~QueryBuilderWindow() override;

    LabData& labData;

    // --- criteria area
    QRadioButton* countMode;    // "Количество"
    QRadioButton* resultsMode;  // "Результаты"
    QListWidget* criteriaList;  // the criteria, checkable
    QListWidget* valuesList;    // what each recorded criterion counts
    QPushButton* generateButton;

    QFrame* periodPanel;
    QLineEdit* periodFrom;  // "С"
    QLineEdit* periodTo;    // "ПО"
    QPushButton* periodCloseButton;

    QFrame* typesPanel;
    QListWidget* typesList;
    QPushButton* chooseTypesButton;  // "Выбрать"
    QFrame* indicatorsPanel;
    QListWidget* indicatorsList;
    QPushButton* indicatorsCloseButton;

    QFrame* agePanel;
    QComboBox* ageComparison;
    QLineEdit* ageYears;
    QPushButton* ageCloseButton;

    // The panel of a criterion with a list of values (sex, residence and the directories); null
    // for the period, the types and the age.
    struct ListPanel {
        QFrame* frame = nullptr;
        QListWidget* list = nullptr;
        QPushButton* closeButton = nullptr;
        std::optional<query::ValuesOf> values;  // none for the fixed lists
    };
    std::array<ListPanel, CriterionCount> listPanels;

    QPlainTextEdit* statementView;  // "Текст"

    // --- result
    ui::DbGrid* resultGrid;
    ui::GridFooter* resultFooter;

    QAction* saveAction;
    QAction* showTextAction;
    QAction* executeAction;
    QAction* exportAction;
    QAction* exitAction;
    QAction* openAction;  // hidden, as in the menu of the system it replaces
    QAction* gridExportAction;
    QAction* copyAction;

    // The statement the window shows, saves and runs, one entry per line.
    const QStringList& statement() const { return statement_; }
    // The result: valid after a run, open while its rows are shown.
    data::Dataset* result() const { return result_.get(); }
    bool isRecorded(Criterion criterion) const { return recorded_[criterion]; }

    // --- commands
    void generate();       // "Сформировать"
    void saveStatement();  // "Сохранить"
    void showStatement();  // "Текст"
    void execute();        // "Выполнить"
    void openStatement();  // "Открыть"
    void exportResult();
    void copySelection();
    // The columns marked for sorting changed: the statement takes their order and runs again.
    void sortBy(const QList<query::SortColumn>& columns);
    // The grid columns that carry a sort marker, with their direction (true: ascending).
    QList<std::pair<int, bool>> markedSections() const;

    void done(int result) override;

protected:
    void openWindow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void criterionToggled(QListWidgetItem* item);
    void tickCriterion(int criterion);
    void untickCriterion(int criterion);
    // Fills a list with what read() gives, its keys into keys; false (the error shown) when the
    // reading failed.
    bool fillList(QListWidget* list, const std::function<query::ValueList()>& read,
                  QStringList* keys);
    void showPanel(QFrame* panel, int top, int left);
    void panelClosed(QFrame* panel);
    void closeListPanel(int criterion);
    void closePeriodPanel();
    void closeAgePanel();
    void chooseTypes();
    void closeIndicatorsPanel();
    void setDisplay(int criterion, const QString& text);
    void hideResult();
    query::Criteria recordedCriteria() const;
    // Runs the statement in the window's own read-only transaction and shows its rows. A
    // statement that is no plain select, or calls a generator, is refused unsent (db::DbError).
    void run();
    void refuseAnythingButASelect(const QString& sql);
    void showRows();
    // The file dialog and the file's lines; false when the dialog was cancelled.
    bool loadFile();
    void headerClicked(int column);

    std::array<bool, CriterionCount> recorded_{};
    QStringList typeKeys_;
    QStringList indicatorKeys_;
    QString periodFromText_, periodToText_;
    QDate ageReference_;
    QStringList statement_;
    QList<query::SortColumn> sortColumns_;
    bool updatingCriteria_ = false;

    db::Transaction readTransaction_;
    std::unique_ptr<data::Dataset> result_;
    data::DataSource resultSource_;
    QWidget* criteriaArea_;
    QWidget* sortMarkers_;
};
