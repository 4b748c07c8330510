#include <QApplication>

#include "app/application.h"
#include "app/stop_signals.h"
#include "data/heap.h"
#include "reports/office/libreoffice.h"

int main(int argc, char** argv) {
    // Before any thread is started: the stop signals wait for the event loop.
    app::holdStopSignals();
    data::keepFreedMemory();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("labjournal"));
    int status = 0;
    {
        app::Application program;
        if (program.start()) status = program.run();
    }
    // The office goes with the program unless the user still has a document open in it.
    office::shutDownLibreOffice();
    return status;
}
