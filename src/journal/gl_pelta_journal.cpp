// The journal page's reloads: by institution, by type, by dates; the refresh and the marks of
// records without results.
#include <QColor>
#include <QDateEdit>
#include <QLabel>
#include <QToolButton>

#include "data/dm_pelta.h"
#include "data/globals.h"
#include "journal/gl_pelta.h"
#include "journal/journal_page.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

namespace {
const char* const kRecordsWithResults =
    "select distinct b.n_issled from issled i join lab_issl_bol b on b.n_issled = i.n_issled "
    "where i.n_lissl between :n_lissl1 and :n_lissl2 and i.cod_lpu between :cod_lpu1 and :cod_lpu2 "
    "and i.dat_issled between :d1 and :d2 and b.result is not null";
}

void TForm1::bindResultMarks() {
    JournalResults.setSql(kRecordsWithResults);
    connect(&dm.Issled, &data::Dataset::opened, this, [this] { readResultMarks(); });
    journal->DBGridEh1->datasetModel()->cellStyle = [this](int row, int, int role) -> QVariant {
        const int key = dm.Issled.valueAt(row, dm.Issled.fieldIndex("N_ISSLED")).toInt();
        if (key <= 0 || recordsWithResults_.contains(key)) return {};
        return role == Qt::BackgroundRole ? QColor(255, 255, 0) : QColor(Qt::black);
    };
}

void TForm1::readResultMarks() {
    // One reading per reload, with the journal's own selection.
    recordsWithResults_.clear();
    JournalResults.close();
    for (const char* p : {"n_lissl1", "n_lissl2", "cod_lpu1", "cod_lpu2", "d1", "d2"})
        JournalResults.setParam(p, dm.Issled.param(p));
    JournalResults.open();
    for (int row = 0; row < JournalResults.recordCount(); ++row)
        recordsWithResults_.insert(JournalResults.valueAt(row, 0).toInt());
    JournalResults.close();
}

void TForm1::setTypeParameters() {
    data::Dataset& j = dm.Issled;
    if (CurrentInvestigationType < 1) {
        j.setParam("n_lissl1", 0);
        j.setParam("n_lissl2", 10000000);
    } else {
        j.setParam("n_lissl1", CurrentInvestigationType);
        j.setParam("n_lissl2", CurrentInvestigationType);
    }
    j.setParam("d1", journal->DateTimePicker1->date());
    j.setParam("d2", journal->DateTimePicker2->date());
}

void TForm1::countJournal() {
    dm.Issled.last();
    dm.Issled.first();
    journal->Label3->setText(QStringLiteral("Всего: %1").arg(dm.Issled.recordCount()));
}

void TForm1::savePendingEdits() {
    // A reload must not drop what was typed into the grid: it is saved first.
    if (dm.Issled.isActive() && dm.Issled.updatesPending()) RxSpeedButton4Click();
}

void TForm1::IBQuery3AfterScroll() {
    if (rereadingLists_) return;
    savePendingEdits();
    data::Dataset& j = dm.Issled;
    j.close();
    setTypeParameters();
    j.setParam("cod_lpu1", IBQuery3.value("COD_LPU"));
    j.setParam("cod_lpu2", IBQuery3.value("COD_LPU"));
    j.open();
    countJournal();
    journal->RxSpeedButton2->setEnabled(!j.isEmpty());
}

void TForm1::DBLookupComboboxEh1Change() {
    savePendingEdits();
    const QVariant key = journal->DBLookupComboboxEh1->keyValue();
    if (key.toInt() > 0) {
        CurrentInvestigationType = key.toInt();
        if (dm.IBQuery2.isActive()) {
            CurrentTemplateFile = dm.IBQuery2.locate("N_LISSL", key)
                                      ? dm.IBQuery2.value("SHABLON").toString()
                                      : QString();
        }
    } else {
        CurrentInvestigationType = 0;
    }
    dm.Issled.close();
    setTypeParameters();
    dm.Issled.open();
    Pokaz();
}

void TForm1::DateTimePicker2Change() {
    savePendingEdits();
    dm.Issled.close();
    setTypeParameters();
    dm.Issled.open();
    Pokaz();
}

void TForm1::Pokaz() {
    data::Dataset& j = dm.Issled;
    j.save(data::SaveFailure::KeepChanges);
    CurrentInvestigationKey = j.isEmpty() ? 0 : j.value("N_ISSLED").toInt();
    countJournal();
    journal->RxSpeedButton1->setEnabled(true);
    if (CurrentInvestigationType > 0) {
        journal->DBGridEh1->setColumnVisible(0, false);
        journal->RxSpeedButton2->setEnabled(!j.isEmpty());
    } else {
        journal->DBGridEh1->setColumnVisible(0, true);
    }
    if (CurrentInvestigationKey > 0) j.locate("N_ISSLED", CurrentInvestigationKey);
}
