// The program's objects in the order they are created, each a single instance for the run.
#pragma once

#include <memory>

#include "app/stop_signals.h"
#include "card/research_card.h"
#include "data/lab_data.h"
#include "directories/composition_window.h"
#include "directories/directory_window.h"
#include "directories/requisites_window.h"
#include "directories/time_norms_window.h"
#include "journal/main_window.h"
#include "query/query_builder_window.h"

namespace app {

// Qt's own texts (the buttons of every box, the file dialog, the context menu of an edit) in
// Russian, and the Russian locale for calendars and numbers whatever the workstation's. Done
// once per run, before the first window; every Application does it first.
void useRussian();

class Application {
public:
    Application();
    ~Application();

    // Shows the main window maximized (which runs the start-up) and returns false when the
    // user ended the program at the login.
    bool start();
    // Runs the event loop until the program ends: by "Выход" or by a stop signal, which closes
    // it as "Выход" does without asking anything (from the login prompt on). Returns the exit
    // status.
    int run();

    std::unique_ptr<LabData> labData;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<DirectoryWindow> directoryWindow;
    std::unique_ptr<ResearchCard> researchCard;
    std::unique_ptr<CompositionWindow> compositionWindow;
    std::unique_ptr<TimeNormsWindow> timeNormsWindow;
    std::unique_ptr<QueryBuilderWindow> queryBuilderWindow;
    std::unique_ptr<StopSignals> stopSignals;
};

}  // namespace app
