#include "app/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/keyboard.h"
#include "ui/one_line.h"

namespace app {

void useRussian() {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    static QTranslator* installed = nullptr;
    if (installed || !QCoreApplication::instance()) return;
    // Debian's qt6-translations-l10n: qtbase_ru.qm holds the texts of the widgets and dialogs.
    auto* qtTexts = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qtTexts->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        qWarning("Qt's Russian translations were not found in %s: its own texts stay English.",
                 qPrintable(folder));
        delete qtTexts;
        return;
    }
    QCoreApplication::installTranslator(qtTexts);
    installed = qtTexts;
}

Application::Application() {
    useRussian();
    ui::keepAllEditsOnOneLine();
    ui::pressFocusedButtonsOnEnter();
    labData = std::make_unique<LabData>();
    mainWindow = std::make_unique<MainWindow>(*labData);
    MainWindow* parent = mainWindow.get();
    directoryWindow = std::make_unique<DirectoryWindow>(*labData, parent);
    researchCard = std::make_unique<ResearchCard>(*labData, parent);
    compositionWindow = std::make_unique<CompositionWindow>(*labData, parent);
    // The requisites window destroys itself when closed; the menu makes a new one.
    auto* requisites = new RequisitesWindow(*labData, parent);
    timeNormsWindow = std::make_unique<TimeNormsWindow>(*labData, parent);
    queryBuilderWindow = std::make_unique<QueryBuilderWindow>(*labData, parent);
    mainWindow->setWindows({directoryWindow.get(), researchCard.get(), compositionWindow.get(),
                            requisites, timeNormsWindow.get(), queryBuilderWindow.get()});
    stopSignals = std::make_unique<StopSignals>();
    QObject::connect(stopSignals.get(), &StopSignals::received, parent,
                     [parent](int) { parent->closeUnattended(); });
}

Application::~Application() {
    // The windows go first; the data, which they use, last.
    stopSignals.reset();
    queryBuilderWindow.reset();
    timeNormsWindow.reset();
    compositionWindow.reset();
    researchCard.reset();
    directoryWindow.reset();
    mainWindow.reset();
    labData.reset();
}

bool Application::start() {
    mainWindow->showMaximized();
    return !mainWindow->terminateRequested();
}

int Application::run() {
    return QApplication::exec();
}

}  // namespace app
