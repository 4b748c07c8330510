// Start-up and shutdown of the main window: Reg.INI, login, requisites, lists, first journal.
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTabWidget>

#include "data/clock.h"
#include "data/lab_data.h"
#include "data/reg_ini.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void MainWindow::startUp() {
    db::Connection& database = labData.mainConnection;
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

    labData.requisites.close();
    labData.requisites.open();
    const bool requisites = !labData.requisites.isEmpty();
    session.institutionFullName =
        requisites ? labData.requisites.value("NAME_FULL").toString() : QString();
    session.institutionName = requisites ? labData.requisites.value("NAME").toString() : QString();
    session.institutionAddress =
        requisites ? labData.requisites.value("ADRES").toString() : QString();
    session.institutionHead =
        requisites ? labData.requisites.value("GLAV_VR").toString() : QString();
    setWindowTitle(session.institutionFullName);
    labData.requisites.close();

    const QDate today = data::clock::today();
    statusText->setText(QStringLiteral("Успешное подключение к базе данных ") +
                        QLocale::system().toString(today, QLocale::ShortFormat));

    for (data::Dataset* list :
         {&labData.typeList, &labData.institutions, &labData.departments, &labData.doctors,
          &labData.labAssistants, &labData.fundingSources}) {
        list->close();
        list->open();
    }

    journalPage->start(today);
    for (QDateEdit* picker : {searchPage->periodFrom, searchPage->periodTo}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(today);
    }

    const QSignalBlocker quiet(pages);
    pages->setCurrentWidget(journalPage);
}

bool MainWindow::shutDown() {
    if (labData.writeTransaction.isActive()) labData.writeTransaction.commit();
    if (labData.searchSnapshot.isActive()) labData.searchSnapshot.commit();
    for (data::Dataset* d : labData.mainDatasets()) d->close();
    journalPage->institutionList.close();
    labData.mainConnection.close();
    return true;
}
