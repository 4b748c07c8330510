// The search page "Поиск": finds investigation records across the whole register by any mix of
// criteria, independent of the journal's institution and type, and opens a found record in the
// research card. It reads through its own read-only snapshot, started by the first search after
// the page was entered and committed when the user goes back to the journal.
#pragma once

#include <QWidget>
#include <vector>

#include "data/data_source.h"
#include "data/dataset.h"

class LabData;
class ResearchCard;
struct Session;
struct SearchCriteria;
class QAction;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QPushButton;

namespace ui {
class DbGrid;
class DbLookupComboBox;
class GridFooter;
}  // namespace ui

class SearchPage : public QWidget {
    Q_OBJECT
public:
    explicit SearchPage(LabData& labData, QWidget* parent = nullptr);

    // The card a found record opens in.
    void setResearchCard(ResearchCard* card) { card_ = card; }

    // The page became the shown one: every criterion is cleared (the period stays) and the
    // selectors' lists are read again.
    void enter();
    // The journal is shown again: the result and the lists are closed, the snapshot committed.
    void leave();
    // "Найти".
    void find();
    // Double-click on a found record: the card, then back on the same row.
    void openFoundRecord();

    // What the controls hold now, as the search reads it.
    SearchCriteria criteria() const;

    LabData& labData;
    Session& session;

    QDateEdit* periodFrom;  // "Дата с.."
    QDateEdit* periodTo;    // "по.."
    // The criteria's controls by name, as they stand on the page (made from searchCriteria()).
    QLineEdit* uniqueNumberEdit;
    QLineEdit* cardNumberEdit;
    QLineEdit* surnameEdit;
    QLineEdit* firstNameEdit;
    QLineEdit* patronymicEdit;
    QComboBox* sexSelector;
    QLineEdit* ageFromEdit;
    QLineEdit* ageToEdit;
    ui::DbLookupComboBox* typeSelector;
    ui::DbLookupComboBox* countrySelector;
    QComboBox* residenceSelector;
    ui::DbLookupComboBox* territorySelector;
    ui::DbLookupComboBox* districtSelector;
    ui::DbLookupComboBox* institutionSelector;
    ui::DbLookupComboBox* departmentSelector;
    ui::DbLookupComboBox* examinationCodeSelector;
    ui::DbLookupComboBox* fundingSourceSelector;
    QLineEdit* samplingDateEdit;
    QLineEdit* deliveryDateEdit;
    QLineEdit* resultDateEdit;
    ui::DbLookupComboBox* doctorSelector;
    ui::DbLookupComboBox* labAssistantSelector;
    QLineEdit* diagnosisEdit;
    QPushButton* findButton;  // "Найти"
    ui::DbGrid* foundGrid;
    ui::GridFooter* footer;  // "Всего" and the number found
    QMenu* foundMenu;
    QAction* exportAction;  // "Выгрузить в Excel"

    // The found records (read-only, in the search snapshot).
    data::Dataset found;
    data::DataSource foundSource;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void nameControls();
    void bindControls();
    void showTotal();
    // The lists of the selectors that read theirs each time the page is entered.
    QList<data::Dataset*> listsReadOnEntry() const;
    // The control (a range's first or second) of the criterion binding the parameter.
    QWidget* criterionControl(const QString& param, int part = 0) const;

    // Each criterion's control (a range's two), in the order of searchCriteria().
    std::vector<std::vector<QWidget*>> criterionControls_;

    ResearchCard* card_ = nullptr;
};
