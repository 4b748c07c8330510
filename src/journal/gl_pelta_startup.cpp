// Start-up and shutdown of the main window: Reg.INI, login, requisites, lists, first journal.
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTabWidget>

#include "data/clock.h"
#include "data/dm_pelta.h"
#include "data/globals.h"
#include "data/reg_ini.h"
#include "journal/gl_pelta.h"
#include "journal/journal_page.h"
#include "journal/search_page.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void TForm1::FormShow() {
    db::Connection& database = dm.IBDatabase1;
    if (database.isOpen()) database.close();

    const data::RegIni ini = data::readRegIni(regIniPath_);
    database.setLoginPrompt(true);
    database.setLoginHandler(
        [](db::LoginRequest& request) { return ui::dialogs().login(request); });
    database.setDatabaseName(ini.dbPath);
    database.setParams(
        {"lc_ctype=WIN1251", "user_name=" + ini.dbUser, "sql_role_name=" + ini.dbRole});

    try {
        database.open();
    } catch (const db::DbError&) {
        // Whatever went wrong, the first attempt is reported with one text; OK tries once more
        // when the first list is opened below.
        const auto answer = ui::dialogs().message(
            this, {QMessageBox::Critical,
                   {},
                   QStringLiteral("Неверно введен пароль или имя пользователя."),
                   QMessageBox::Ok | QMessageBox::Cancel});
        if (answer != QMessageBox::Ok) {
            terminateRequested_ = true;
            QCoreApplication::quit();
            return;
        }
    }

    dm.IBQuery1.close();
    dm.IBQuery1.open();
    const bool requisites = !dm.IBQuery1.isEmpty();
    InstitutionFullName = requisites ? dm.IBQuery1.value("NAME_FULL").toString() : QString();
    InstitutionName = requisites ? dm.IBQuery1.value("NAME").toString() : QString();
    InstitutionAddress = requisites ? dm.IBQuery1.value("ADRES").toString() : QString();
    InstitutionHead = requisites ? dm.IBQuery1.value("GLAV_VR").toString() : QString();
    setWindowTitle(InstitutionFullName);
    dm.IBQuery1.close();

    const QDate today = data::clock::today();
    StatusBar1->setText(QStringLiteral("Успешное подключение к базе данных ") +
                        QLocale::system().toString(today, QLocale::ShortFormat));

    for (data::Dataset* list :
         {&dm.IBQuery2, &dm.IBQuery3, &dm.IBQuery4, &dm.IBQuery5, &dm.IBQuery12, &dm.IBQuery6}) {
        list->close();
        list->open();
    }

    // Opening the institution list loads the journal of the first institution.
    IBQuery3.close();
    IBQuery3.open();

    for (QDateEdit* picker : {journal->DateTimePicker1, journal->DateTimePicker2,
                              search->DateTimePicker3, search->DateTimePicker4}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(today);
    }

    CurrentInvestigationType = 1;
    journal->DBLookupComboboxEh1->setKeyValue(1);

    const QSignalBlocker quiet(PageControl1);
    PageControl1->setCurrentWidget(journal);
}

bool TForm1::FormClose() {
    if (dm.IBTransaction1.isActive()) dm.IBTransaction1.commit();
    if (dm.IBTransaction3.isActive()) dm.IBTransaction3.commit();
    for (data::Dataset* d : dm.mainDatasets()) d->close();
    IBQuery3.close();
    dm.IBDatabase1.close();
    return true;
}
