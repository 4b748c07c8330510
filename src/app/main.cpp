#include <QApplication>

#include "app/application.h"
#include "data/heap.h"

int main(int argc, char** argv) {
    data::keepFreedMemory();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("labjournal"));
    app::Application program;
    if (!program.start()) return 0;
    return QApplication::exec();
}
