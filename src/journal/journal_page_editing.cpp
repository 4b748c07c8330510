// The journal's editing commands: add, delete, save, and results entry in the card.
#include <QAction>
#include <QDateEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "card/research_card.h"
#include "data/lab_data.h"
#include "history/change_history_window.h"
#include "journal/journal_page.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void JournalPage::bindEditing() {
    auto handler = [this](void (JournalPage::*method)()) {
        return ui::command(this, [this, method] { (this->*method)(); });
    };
    connect(addRecordButton, &QToolButton::clicked, this, handler(&JournalPage::addRecord));
    connect(deleteRecordButton, &QToolButton::clicked, this, handler(&JournalPage::deleteRecord));
    connect(saveRecordButton, &QToolButton::clicked, this, handler(&JournalPage::saveRecord));

    journalGrid->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    journalGrid->setRowKeys(true);
    connect(journalGrid, &QAbstractItemView::doubleClicked, this,
            handler(&JournalPage::enterResults));
    // Below the last row there is no record; an empty journal says so instead of doing nothing.
    connect(journalGrid, &ui::DbGrid::doubleClickedOutsideRows, this, [this] {
        if (!labData.journal.isActive() || labData.journal.isEmpty())
            ui::information(this,
                            QStringLiteral("В журнале нет записей: результаты вводить некуда."));
    });

    printMenu = new QMenu(printButton);
    printResultAction = printMenu->addAction(QStringLiteral("Печать результатов анализа"));
    viewResultAction = printMenu->addAction(QStringLiteral("Просмотр результатов анализа"));
    printAllResultsAction = printMenu->addAction(QStringLiteral("Печать всех результатов"));
    printButton->setMenu(printMenu);

    journalMenu = new QMenu(journalGrid);
    enterResultsAction = journalMenu->addAction(QStringLiteral("Ввод результатов"));
    copyPatientDataAction = journalMenu->addAction(QStringLiteral("Копировать данные пациента"));
    journalMenu->addAction(printResultAction);
    journalMenu->addAction(printAllResultsAction);
    journalMenu->addSeparator();
    historyAction = journalMenu->addAction(QStringLiteral("История изменений"));
    connect(enterResultsAction, &QAction::triggered, this, handler(&JournalPage::enterResults));
    connect(historyAction, &QAction::triggered, this, handler(&JournalPage::showHistory));
    journalGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(journalGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        journalMenu->popup(journalGrid->viewport()->mapToGlobal(at));
    });

    connect(printResultAction, &QAction::triggered, this,
            ui::command(this, [this] { printResult(ResultOutput::Print); }));
    connect(viewResultAction, &QAction::triggered, this,
            ui::command(this, [this] { printResult(ResultOutput::Show); }));
    connect(printAllResultsAction, &QAction::triggered, this,
            ui::command(this, [this] { printAllResults(); }));
    connect(journalDocumentButton, &QPushButton::clicked, this,
            ui::command(this, [this] { makeResultsJournal(); }));
    addRecordButton->setEnabled(false);
    deleteRecordButton->setEnabled(false);
}

void JournalPage::addRecord() {
    if (typeSelector->currentText().isEmpty()) {
        ui::information(this, QStringLiteral("Задайте вид исследования."));
        return;
    }
    data::Dataset& journal = labData.journal;
    journal.insert();
    // Written at once: the record exists with its defaults and empty results even if the card
    // is left without saving. A refusal takes back its own statements and offers to drop them.
    if (!saveJournalEditsToGoOn()) return;
    enterResults();
    showJournal();
    journal.close();
    journal.open();
}

void JournalPage::deleteRecord() {
    if (ui::confirm(this, QStringLiteral("Вы уверены?"))) {
        labData.journal.remove();
        // A refusal takes back its own statements and offers to drop the deletion.
        const EditsOutcome outcome = saveJournalEdits();
        if (outcome == EditsOutcome::Discarded) reloadForPeriod();
        if (outcome != EditsOutcome::Saved) return;
    }
    showJournal();
}

bool JournalPage::saveJournalEditsToGoOn() {
    switch (saveJournalEdits()) {
        case EditsOutcome::Saved:
            return true;
        case EditsOutcome::Discarded:
            reloadForPeriod();
            return false;
        case EditsOutcome::Kept:
            return false;
    }
    return false;
}

void JournalPage::saveRecord() {
    if (saveJournalEdits() == EditsOutcome::Discarded) reloadForPeriod();
}

void JournalPage::showHistory() {
    data::Dataset& journal = labData.journal;
    if (!journal.isActive() || journal.isEmpty()) {
        ui::information(this, QStringLiteral("Выберите запись журнала."));
        return;
    }
    // What was typed into the grid is saved first, so that the history shows it.
    if (!saveJournalEditsToGoOn()) return;
    const int key = journal.value("N_ISSLED").toInt();
    if (key < 1) return;
    ChangeHistoryWindow::showFor(historyWindow_, labData, this, key);
}

void JournalPage::enterResults() {
    data::Dataset& journal = labData.journal;
    const int key = journal.isActive() ? journal.value("N_ISSLED").toInt() : 0;
    if (key < 1) {
        ui::information(this, QStringLiteral("Задайте метод исследования."));
        return;
    }
    // What was typed into the grid goes to the database before the card shows the record.
    if (!saveJournalEditsToGoOn()) return;
    session.investigationKey = key;
    if (!labData.prepareResults(key)) {
        ui::information(this, QStringLiteral("Запись не найдена: её удалили на другой рабочей "
                                             "станции."));
        reloadForPeriod();
        return;
    }

    card_->setWindowTitle(QStringLiteral("Данные исследования - ") + typeSelector->currentText());
    ui::dialogs().showModal(card_);

    journal.close();
    journal.open();
    journal.locate("N_ISSLED", session.investigationKey);
}

void JournalPage::copyPatientData() {
    // What was typed into the grid is stored first: a refused copy takes back only its own
    // changes.
    if (!saveJournalEditsToGoOn()) return;
    data::Dataset& journal = labData.journal;
    const QString refusal =
        data::registerCopyMessage(labData.copyPatientFromRegister(journal, false));
    if (!refusal.isEmpty()) {
        ui::information(this, refusal);
        return;
    }
    // The row is read again for the names of the copied country, territory and district.
    const QVariant key = journal.value("N_ISSLED");
    journal.close();
    journal.open();
    journal.locate("N_ISSLED", key);
}

void JournalPage::printResult(ResultOutput output) {
    session.resultOutput = output;
    // The record as the journal shows it, typed changes included; nothing is saved first.
    data::Dataset& journal = labData.journal;
    if (!journal.isActive() || journal.isEmpty()) return;
    tellReportOutcome(documents_.resultSheet(journal, output), this);
}

void JournalPage::printAllResults() {
    session.resultOutput = ResultOutput::Print;
    data::Dataset& journal = labData.journal;
    if (!journal.isActive() || journal.isEmpty()) return;
    // One sheet per record in the journal's order; a failure stops on the record that failed.
    for (journal.first(); !journal.eof(); journal.next()) {
        const reports::Outcome outcome = documents_.resultSheet(journal, ResultOutput::Print);
        if (outcome == reports::Outcome::NoTemplate) return tellReportOutcome(outcome, this);
    }
    journal.first();
}

reports::JournalSelection JournalPage::selection() const {
    reports::JournalSelection chosen;
    chosen.type = session.investigationType;
    chosen.typeText = typeSelector->currentText();
    if (institutionList.isActive() && !institutionList.isEmpty())
        chosen.institution = institutionList.value("NAME").toString();
    chosen.from = periodFrom->date();
    chosen.to = periodTo->date();
    return chosen;
}

void JournalPage::makeResultsJournal() {
    tellReportOutcome(reports_.resultsJournal(selection()), this);
}

void tellReportOutcome(reports::Outcome outcome, QWidget* parent) {
    switch (outcome) {
        case reports::Outcome::NoTypeChosen:
            ui::information(parent, QStringLiteral("Здайте вид исследования"));
            break;
        case reports::Outcome::NoTemplate:
            ui::information(parent, QStringLiteral("Не задан шаблон"));
            break;
        case reports::Outcome::Issued:
        case reports::Outcome::NothingToReport:
            break;
    }
}
