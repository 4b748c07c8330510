// The main window Form1: the journal and search pages, the menus, start-up and shutdown.
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QSet>

#include "data/data_source.h"
#include "data/dataset.h"

class TdmV;
class JournalPage;
class SearchPage;
class QAction;
class QMenu;
class QProgressBar;
class QLabel;
class QTabWidget;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(TdmV& dm, QWidget* parent = nullptr);
    ~TForm1() override;

    // Where Reg.INI is read from: beside the executable unless a test says otherwise.
    void setRegIniPath(const QString& path) { regIniPath_ = path; }
    // True once the user chose to end the program at the failed login.
    bool terminateRequested() const { return terminateRequested_; }

    // Start-up (first show) and shutdown (close); see the .cpp for their steps.
    void FormShow();
    bool FormClose();
    void N4Click();

    // The menu bar's commands (the directories, the composition, the norms, the requisites).
    void N31Click();
    void N34Click();
    void N35Click();
    void N46Click();
    void N3Click();
    void N7Click();
    void N18Click();
    void N40Click();
    void N20Click();
    void N37Click();

    // The journal's reloads.
    void IBQuery3AfterScroll();
    void DBLookupComboboxEh1Change();
    void DateTimePicker2Change();
    void Pokaz();

    // Editing and results entry.
    void RxSpeedButton1Click();  // "Добавить запись"
    void RxSpeedButton2Click();  // "Удалить запись"
    void RxSpeedButton4Click();  // "Сохранить запись"
    void DBGridEh1DblClick();    // results entry in the card

    // Keys of the journal's records that have at least one result, read with the journal.
    const QSet<int>& recordsWithResults() const { return recordsWithResults_; }

    TdmV& dm;
    QTabWidget* PageControl1;
    JournalPage* journal;
    SearchPage* search;
    QProgressBar* ProgressBar1;
    QLabel* StatusBar1;  // the status bar's one panel
    QAction* N4;         // "Выход"
    QAction *N6, *N5, *N34, *N46, *N40, *N20, *N31, *N7, *N3, *N35, *N18, *N37, *N15, *N16, *N13,
        *N11;
    QMenu* PopupMenu1;  // the journal grid's menu
    QAction* N21;       // "Ввод результатов"
    QAction* N22;       // "Копировать данные пациента"
    QAction* N8;        // "Печать результатов анализа"
    QAction* N9;        // "Печать всех результатов"

    // The window's own institution list, distinct from the data module's.
    data::Dataset IBQuery3;
    data::DataSource DataSource3;
    data::Dataset JournalResults;  // which of the journal's records have results

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void showDirectory(int kind, const QString& caption, data::Dataset& dataset,
                       data::DataSource& source, bool typeSelectionFollows = false);
    // Rereads the institution and type lists; true when the journal's institution is still there.
    bool rereadJournalLists();
    void bindJournal();
    void bindEditing();
    void bindResultMarks();
    void readResultMarks();
    void setTypeParameters();
    void countJournal();
    void savePendingEdits();

    QSet<int> recordsWithResults_;
    QString regIniPath_;
    bool shown_ = false;
    bool terminateRequested_ = false;
    bool rereadingLists_ = false;  // the institution list is being reread: no journal reload yet
};

extern TForm1* Form1;
