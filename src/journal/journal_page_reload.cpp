// The journal page's bindings and reloads: by institution, by type, by dates; the count and the
// marks of records without results.
#include <QCalendarWidget>
#include <QColor>
#include <QDateEdit>
#include <QLabel>
#include <QToolButton>

#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void JournalPage::bindJournal() {
    institutionGrid->setDataSource(&institutionListSource);
    ui::GridColumn name;
    name.field = "NAME";
    name.width = 238;
    institutionGrid->setColumns({name});

    journalGrid->setDataSource(&labData.journalSource);
    const QList<std::pair<const char*, int>> columns = {
        {"ISSL", 164},      {"OTD", 157},       {"NPP", 46},        {"NOM", 58},
        {"FAM", 151},       {"IMJA", 98},       {"OTCH", 102},      {"DAT_R", 78},
        {"DAT_ISSLED", 75}, {"DAT_DOSTAV", 75}, {"DAT_REZULT", 74}, {"VRACH", 117}};
    QList<ui::GridColumn> grid;
    for (const auto& [field, width] : columns) {
        ui::GridColumn c;
        c.field = field;
        c.width = width;
        // Joined names are shown, never written.
        c.readOnly = QByteArray(field) == "ISSL" || QByteArray(field) == "OTD" ||
                     QByteArray(field) == "VRACH";
        grid << c;
    }
    journalGrid->setColumns(grid);

    typeSelector->setListSource(&labData.typeListSource, "N_LISSL", "NAME");
    connect(typeSelector, &ui::DbLookupComboBox::keyValueChanged, this,
            ui::command(this, [this] { reloadForType(); }));
    // A date typed digit by digit is taken when it is finished (Enter or leaving the picker) or
    // picked in the calendar, not at every digit.
    auto datesChosen = [this] {
        if (!started_ || !labData.journal.isActive()) return;
        if (labData.journal.param("d1").toDate() == periodFrom->date() &&
            labData.journal.param("d2").toDate() == periodTo->date())
            return;
        ui::command(this, [this] { reloadForPeriod(); })();
    };
    for (QDateEdit* picker : {periodFrom, periodTo}) {
        connect(picker, &QDateEdit::editingFinished, this, datesChosen);
        connect(picker->calendarWidget(), &QCalendarWidget::clicked, this, datesChosen);
    }
    bindResultMarks();
    bindEditing();
}

void JournalPage::bindResultMarks() {
    connect(&labData.journal, &data::Dataset::opened, this, [this] { readResultMarks(); });
    journalGrid->datasetModel()->cellStyle = [this](int row, int, int role) -> QVariant {
        const data::Dataset& journal = labData.journal;
        const int key = journal.valueAt(row, journal.fieldIndex("N_ISSLED")).toInt();
        if (key <= 0 || recordsWithResults_.contains(key)) return {};
        return role == Qt::BackgroundRole ? QColor(255, 255, 0) : QColor(Qt::black);
    };
}

void JournalPage::readResultMarks() {
    // One reading per reload, with the journal's own selection.
    recordsWithResults_ = labData.journalRecordsWithResults();
}

void JournalPage::start(const QDate& today) {
    started_ = true;
    // Opening the institution list loads the journal of the first institution.
    institutionList.close();
    institutionList.open();
    for (QDateEdit* picker : {periodFrom, periodTo}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(today);
    }
    session.investigationType = 1;
    typeSelector->setKeyValue(1);
}

bool JournalPage::rereadLists() {
    // A new or renamed institution or type shows in the journal's lists at once; the journal
    // keeps the institution and type it had.
    const QVariant institution = institutionList.value("COD_LPU");
    {
        const QSignalBlocker quiet(typeSelector);
        labData.typeList.close();
        labData.typeList.open();
    }
    rereadingLists_ = true;
    institutionList.close();
    institutionList.open();
    const bool samePlace = !institution.isNull() && institutionList.locate("COD_LPU", institution);
    rereadingLists_ = false;
    return samePlace;
}

void JournalPage::setTypeParameters() {
    data::Dataset& journal = labData.journal;
    if (session.investigationType < 1) {
        journal.setParam("n_lissl1", 0);
        journal.setParam("n_lissl2", 10000000);
    } else {
        journal.setParam("n_lissl1", session.investigationType);
        journal.setParam("n_lissl2", session.investigationType);
    }
    journal.setParam("d1", periodFrom->date());
    journal.setParam("d2", periodTo->date());
}

void JournalPage::countJournal() {
    labData.journal.last();
    labData.journal.first();
    totalLabel->setText(QStringLiteral("Всего: %1").arg(labData.journal.recordCount()));
}

JournalPage::EditsOutcome JournalPage::saveJournalEdits() {
    data::Dataset& journal = labData.journal;
    if (!journal.isActive() || !journal.updatesPending()) return EditsOutcome::Saved;
    try {
        journal.save(data::SaveFailure::KeepChanges);
        return EditsOutcome::Saved;
    } catch (const std::exception& e) {
        // A change the database refuses every time must not block the journal for good.
        const QString question =
            ui::failureText(e) +
            QStringLiteral(
                "\n\nОтказаться от несохранённых изменений журнала? Журнал будет "
                "перечитан из базы данных.");
        if (!ui::confirm(this, question)) return EditsOutcome::Kept;
        journal.cancelUpdates();
        return EditsOutcome::Discarded;
    }
}

bool JournalPage::savePendingEdits() {
    // A reload must not drop what was typed into the grid: it is saved first.
    if (saveJournalEdits() != EditsOutcome::Kept) return true;
    showJournalSelection();
    return false;
}

void JournalPage::showJournalSelection() {
    const data::Dataset& journal = labData.journal;
    {
        const QSignalBlocker quietFrom(periodFrom);
        const QSignalBlocker quietTo(periodTo);
        periodFrom->setDate(journal.param("d1").toDate());
        periodTo->setDate(journal.param("d2").toDate());
    }
    const int type = journal.param("n_lissl1").toInt();
    session.investigationType = type == journal.param("n_lissl2").toInt() ? type : 0;
    {
        const QSignalBlocker quiet(typeSelector);
        typeSelector->setKeyValue(session.investigationType > 0 ? QVariant(type) : QVariant());
    }
    rereadingLists_ = true;
    institutionList.locate("COD_LPU", journal.param("cod_lpu1"));
    rereadingLists_ = false;
}

void JournalPage::rereadAfterDirectoryChange(bool lists) {
    if (!savePendingEdits()) return;
    data::Dataset& journal = labData.journal;
    const QVariant key =
        journal.isActive() && !journal.isEmpty() ? journal.value("N_ISSLED") : QVariant();
    // An institution that is gone leaves the list on its first one: the journal follows it.
    if (lists && !rereadLists()) reloadForInstitution();
    {
        // The chosen type may be gone from its list too.
        const QSignalBlocker quiet(typeSelector);
        typeSelector->setKeyValue(
            session.investigationType > 0 ? QVariant(session.investigationType) : QVariant());
    }
    reloadForType();
    if (key.isValid() && journal.isActive()) journal.locate("N_ISSLED", key);
}

void JournalPage::endTransactionBeforeReading() {
    // A reload is a safe point to end the main transaction: the journal's edits were just saved
    // and its rows are read again anyway. The next statement starts a new one, and the server
    // may clean up the record versions the old one held; a transaction kept all day holds them
    // all. (While another list is still being read, the transaction is committed retaining.)
    // The type's and the period's reloads end it in showJournal(), which saves.
    db::Transaction& transaction = labData.writeTransaction;
    if (transaction.isActive()) transaction.commitWork();
}

void JournalPage::reloadForInstitution() {
    if (rereadingLists_) return;
    if (!savePendingEdits()) return;
    data::Dataset& journal = labData.journal;
    journal.close();
    endTransactionBeforeReading();
    setTypeParameters();
    journal.setParam("cod_lpu1", institutionList.value("COD_LPU"));
    journal.setParam("cod_lpu2", institutionList.value("COD_LPU"));
    journal.open();
    countJournal();
    deleteRecordButton->setEnabled(!journal.isEmpty());
}

void JournalPage::reloadForType() {
    if (!savePendingEdits()) return;
    const QVariant key = typeSelector->keyValue();
    if (key.toInt() > 0) {
        session.investigationType = key.toInt();
        if (labData.typeList.isActive()) {
            session.templateFile = labData.typeList.locate("N_LISSL", key)
                                       ? labData.typeList.value("SHABLON").toString()
                                       : QString();
        }
    } else {
        session.investigationType = 0;
    }
    labData.journal.close();
    setTypeParameters();
    labData.journal.open();
    showJournal();
}

void JournalPage::reloadForPeriod() {
    if (!savePendingEdits()) return;
    labData.journal.close();
    setTypeParameters();
    labData.journal.open();
    showJournal();
}

void JournalPage::showJournal() {
    data::Dataset& journal = labData.journal;
    journal.save(data::SaveFailure::KeepChanges);
    session.investigationKey = journal.isEmpty() ? 0 : journal.value("N_ISSLED").toInt();
    countJournal();
    addRecordButton->setEnabled(true);
    if (session.investigationType > 0) {
        journalGrid->setColumnVisible(0, false);
        deleteRecordButton->setEnabled(!journal.isEmpty());
    } else {
        journalGrid->setColumnVisible(0, true);
    }
    if (session.investigationKey > 0) journal.locate("N_ISSLED", session.investigationKey);
}
