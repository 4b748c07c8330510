// A test program: the whole program started as main() starts it, on the database its Reg.INI
// names, with the login answered from the command line; it types a surname into the journal's
// first row and leaves the editor open, prints "ready" and runs until it is stopped.
//
//   labjournal_stop_probe REG_INI PASSWORD SURNAME
#include <QApplication>
#include <QTextStream>
#include <cstdio>

#include "app/application.h"
#include "app/stop_signals.h"
#include "data/clock.h"
#include "journal/journal_page.h"
#include "reports/office/libreoffice.h"
#include "support/scripted_dialogs.h"
#include "ui/db_grid.h"

int main(int argc, char** argv) {
    app::holdStopSignals();
    QApplication qapp(argc, argv);
    if (argc != 4) {
        std::fputs("usage: labjournal_stop_probe REG_INI PASSWORD SURNAME\n", stderr);
        return 2;
    }
    const QStringList args = qapp.arguments();
    data::clock::setToday(QDate(2026, 12, 9));
    int status = 0;
    {
        testing_support::ScriptedDialogs dialogs;
        dialogs.logins.push_back(testing_support::Login{"SYSDBA", args[2]});
        app::Application program;
        program.mainWindow->setRegIniPath(args[1]);
        if (!program.start()) return 3;
        // The surname column of the journal's grid.
        testing_support::typeIntoCell(program.mainWindow->journalPage->journalGrid, 0, 4, args[3]);
        QTextStream(stdout) << "ready" << Qt::endl;
        status = program.run();
    }
    office::shutDownLibreOffice();
    return status;
}
