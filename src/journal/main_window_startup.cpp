// Start-up and shutdown of the main window: Reg.INI, login, requisites, lists, first journal.
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextStream>
#include <functional>

#include "data/clock.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "data/login_role.h"
#include "data/reg_ini.h"
#include "data/schema_upgrade.h"
#include "db/connection.h"
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
    labData.setRegisterLogin(ini.registerUser, ini.registerPassword);
    session.documentArchive = ini.documentArchive;

    // A failed attachment is told with the server's own words after the program's one text;
    // OK asks for the login again, Cancel ends the program.
    for (;;) {
        try {
            database.open();
            break;
        } catch (const db::DbError& e) {
            QString text = QStringLiteral("Неверно введен пароль или имя пользователя.");
            if (e.kind() != db::FailureKind::Cancelled)
                text += QStringLiteral("\n\n") + e.message();
            const auto answer = ui::dialogs().message(
                this, {QMessageBox::Critical, {}, text, QMessageBox::Ok | QMessageBox::Cancel});
            if (answer != QMessageBox::Ok) {
                terminateRequested_ = true;
                QCoreApplication::quit();
                return;
            }
        }
    }

    // A database of an earlier version lacks what this one reads and writes: the program says
    // how to bring it up to date rather than fail later on a missing table.
    if (!schemaUpToDate() || !loginHoldsRole(ini.dbRole)) {
        terminateRequested_ = true;
        database.close();
        QCoreApplication::quit();
        return;
    }

    // Each step that fails says so with its own message; the steps that need it do not run.
    auto step = [this](const QString& what, const std::function<void()>& run) {
        try {
            run();
            return true;
        } catch (const std::exception& e) {
            ui::showError(this, what + QStringLiteral("\n\n") + ui::failureText(e));
            return false;
        }
    };
    const bool requisitesRead =
        step(QStringLiteral("Реквизиты учреждения не прочитаны."), [this] { readRequisites(); });
    if (!requisitesRead && !labData.mainConnection.isOpen()) return;  // no database at all

    const QDate today = data::clock::today();
    statusText->setText(QStringLiteral("Успешное подключение к базе данных ") +
                        today.toString(data::kDateFormat));
    for (QDateEdit* picker : {searchPage->periodFrom, searchPage->periodTo}) {
        const QSignalBlocker quiet(picker);
        picker->setDate(today);
    }

    const bool listsRead = step(QStringLiteral("Справочники не прочитаны."), [this] {
        for (data::Dataset* list :
             {&labData.typeList, &labData.institutions, &labData.departments, &labData.doctors,
              &labData.labAssistants, &labData.fundingSources}) {
            list->close();
            list->open();
        }
    });
    if (listsRead)
        step(QStringLiteral("Журнал не открыт."), [this, today] { journalPage->start(today); });

    const QSignalBlocker quiet(pages);
    pages->setCurrentWidget(journalPage);
}

bool MainWindow::schemaUpToDate() {
    QStringList lacks;
    try {
        lacks = data::lacksOfShippedSchema(labData.mainConnection);
    } catch (const std::exception& e) {
        // The check itself failing is no reason to keep the laboratory from its register.
        ui::showError(this, QStringLiteral("Схема базы данных не проверена.\n\n") +
                                ui::failureText(e));
        return true;
    }
    if (lacks.isEmpty()) return true;
    constexpr int shown = 3;
    QString listed = lacks.mid(0, shown).join(QStringLiteral(", "));
    if (lacks.size() > shown) listed += QStringLiteral(" и ещё %1").arg(lacks.size() - shown);
    const QString path = labData.mainConnection.databaseName();
    ui::showError(this,
                  QStringLiteral("База данных %1 создана прежней версией программы: в ней нет "
                                 "того, с чем работает эта версия (%2).\n\n"
                                 "Обновите её командой\n    labjournal-db upgrade %1\n"
                                 "(данные она не меняет, только добавляет недостающее) и "
                                 "запустите программу снова.")
                      .arg(path, listed));
    return false;
}

bool MainWindow::loginHoldsRole(const QString& role) {
    data::LoginRole login;
    try {
        login = data::readLoginRole(labData.mainConnection);
    } catch (const std::exception& e) {
        ui::showError(this, QStringLiteral("Права пользователя не проверены.\n\n") +
                                ui::failureText(e));
        return false;
    }
    if (data::holdsRole(login, role)) return true;
    const QString database = labData.mainConnection.databaseName();
    const QString roleName = role.trimmed().toUpper();
    // A server's logins are given the role by its administrator; the embedded engine of a
    // workstation's own database takes its administrator's name with any password.
    const QString remedy =
        db::isServerPath(database)
            ? QStringLiteral("Попросите администратора выдать роль командой\n"
                             "    labjournal-db users add %1 %2\n"
                             "и запустите программу снова.")
                  .arg(login.user, database)
            : QStringLiteral("С базой данных этой рабочей станции работают под именем SYSDBA "
                             "(пароль любой): запустите программу снова и войдите под ним.");
    ui::showError(this, QStringLiteral("Пользователю %1 не выдана роль %2 в базе данных %3, а без "
                                       "неё программа не сможет ни читать журнал, ни сохранять "
                                       "исследования.\n\n%4")
                            .arg(login.user, roleName, database, remedy));
    return false;
}

void MainWindow::readRequisites() {
    data::Dataset& requisites = labData.requisites;
    requisites.close();
    requisites.open();
    const bool present = !requisites.isEmpty();
    auto text = [&](const char* field) {
        return present ? requisites.value(field).toString() : QString();
    };
    session.institutionFullName = text("NAME_FULL");
    session.institutionName = text("NAME");
    session.institutionAddress = text("ADRES");
    session.institutionHead = text("GLAV_VR");
    setWindowTitle(session.institutionFullName);
    requisites.close();
}

bool MainWindow::shutDown(ShutdownMode mode) {
    // What was typed into the journal is saved as before a reload. When that or the final commit
    // fails the user decides: stay with the edits kept, or close without them. Unattended, the
    // program closes without them and says so on standard error.
    try {
        data::Dataset& journal = labData.journal;
        if (journal.isActive() && journal.updatesPending())
            journal.save(data::SaveFailure::KeepChanges);
        if (labData.writeTransaction.isActive()) labData.writeTransaction.commit();
    } catch (const std::exception& e) {
        const QString lost = QStringLiteral("Изменения не сохранены.");
        if (mode == ShutdownMode::Unattended) {
            QTextStream(stderr) << ui::failureText(e) << "\n\n" << lost << "\n";
        } else if (!ui::confirm(this, ui::failureText(e) + QStringLiteral("\n\n") + lost +
                                          QStringLiteral(" Закрыть программу без них?"))) {
            return false;
        }
        try {
            if (labData.writeTransaction.isActive()) labData.writeTransaction.rollback();
        } catch (...) {
            // The connection is going anyway; the server drops what was not committed.
        }
    }
    // From here on the program closes whatever happens; a failure is still told.
    searchPage->found.close();
    ui::guarded(this, [this] {
        if (labData.searchSnapshot.isActive()) labData.searchSnapshot.commit();
    });
    for (data::Dataset* d : labData.mainDatasets()) d->close();
    journalPage->institutionList.close();
    ui::guarded(this, [this] { labData.mainConnection.close(); });
    return true;
}
