// The journal's editing commands: add, delete, save, and results entry in the card.
#include <QToolButton>

#include "card/karta.h"
#include "data/dm_pelta.h"
#include "data/globals.h"
#include "journal/gl_pelta.h"
#include "journal/journal_page.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void TForm1::RxSpeedButton1Click() {
    if (journal->DBLookupComboboxEh1->currentText().isEmpty()) {
        ui::information(this, QStringLiteral("Задайте вид исследования."));
        return;
    }
    data::Dataset& j = dm.Issled;
    j.insert();
    // Written at once: the record exists with its defaults and empty results even if the card
    // is left without saving. A failure stays in the buffer for the next save.
    j.save(data::SaveFailure::NoRollback);
    DBGridEh1DblClick();
    Pokaz();
    j.close();
    j.open();
}

void TForm1::RxSpeedButton2Click() {
    if (ui::confirm(this, QStringLiteral("Вы уверены?"))) {
        dm.Issled.remove();
        dm.Issled.save(data::SaveFailure::NoRollback);
    }
    Pokaz();
}

void TForm1::RxSpeedButton4Click() {
    dm.Issled.save(data::SaveFailure::KeepChanges);
}

void TForm1::DBGridEh1DblClick() {
    data::Dataset& j = dm.Issled;
    const int key = j.isActive() ? j.value("N_ISSLED").toInt() : 0;
    if (key < 1) {
        ui::information(this, QStringLiteral("Задайте метод исследования."));
        return;
    }
    // What was typed into the grid goes to the database before the card shows the record.
    if (j.updatesPending()) RxSpeedButton4Click();
    CurrentInvestigationKey = key;

    data::StatementObject& probe = dm.IBSQL1;
    probe.close();
    probe.setSql(QStringLiteral("Select * from Lab_issl_BOL Where n_issled=%1").arg(key));
    probe.execute();
    const bool hasRows = !probe.eof();
    probe.close();
    if (!hasRows) {
        // One empty result per indicator of the record's own type, in the type's order.
        const int type = j.value("N_LISSL").toInt();
        probe.setSql(QStringLiteral("Insert into Lab_issl_BOL(n_issled,n_prlab,n_lissl) Select %1,"
                                    "n_prlab,%2 from lab_issl_priz Where n_lissl=%2 Order by npp")
                         .arg(key)
                         .arg(type));
        probe.execute();
        dm.IBTransaction1.commitRetaining();
    }

    Form2->setWindowTitle(QStringLiteral("Данные исследования - ") +
                          journal->DBLookupComboboxEh1->currentText());
    ui::dialogs().showModal(Form2);

    j.close();
    j.open();
    j.locate("N_ISSLED", CurrentInvestigationKey);
}
