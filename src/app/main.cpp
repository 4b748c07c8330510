#include <QApplication>

#include "app/application.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("labjournal"));
    app::Application program;
    if (!program.start()) return 0;
    return QApplication::exec();
}
