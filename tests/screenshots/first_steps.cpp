// Makes the pictures of the README's "Первые шаги" from the real program: started on a demo
// database as main() starts it, driven through its own controls as a member of staff drives
// it, each step shot from the screen it is shown on.
//
//   labjournal_first_steps REG_INI OUT_FOLDER
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

#include "app/application.h"
#include "app/stop_signals.h"
#include "card/research_card.h"
#include "data/clock.h"
#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "reports/office/libreoffice.h"
#include "support/scripted_dialogs.h"
#include "ui/data_aware.h"
#include "ui/db_lookup_combo.h"
#include "ui/db_grid.h"

namespace {

QString outFolder;
bool allShot = true;

// A step that did not do what its picture shows: the pictures are then not made true.
void check(bool done, const char* what) {
    if (done) return;
    QTextStream(stderr) << "step failed: " << what << "\n";
    allShot = false;
}

void settle() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(25);
    }
}

// The screen where a window stands, with whatever stands over it (an open menu).
void shoot(QWidget* window, const QString& name, const QRect& more = {}) {
    settle();
    QRect area = window->frameGeometry();
    if (!more.isNull()) area = area.united(more);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    const QString path = QDir(outFolder).filePath(name);
    if (picture.isNull() || !picture.save(path)) {
        QTextStream(stderr) << "not shot: " << path << "\n";
        allShot = false;
        return;
    }
    QTextStream(stdout) << path << "\n";
}

int columnOf(ui::DbGrid* grid, data::Dataset& dataset, const char* field) {
    const int index = dataset.fieldIndex(QString::fromLatin1(field));
    ui::DatasetModel* model = grid->datasetModel();
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->fieldIndexOfColumn(c) == index) return c;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    app::holdStopSignals();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("labjournal"));
    if (argc != 3) {
        std::fputs("usage: labjournal_first_steps REG_INI OUT_FOLDER\n", stderr);
        return 2;
    }
    outFolder = qapp.arguments()[2];
    QDir().mkpath(outFolder);
    {
        testing_support::ScriptedDialogs dialogs;
        dialogs.logins.push_back(testing_support::Login{"SYSDBA", "masterkey"});
        app::Application program;
        program.mainWindow->setRegIniPath(qapp.arguments()[1]);
        if (!program.start()) return 3;
        MainWindow& window = *program.mainWindow;
        JournalPage& journal = *window.journalPage;
        LabData& labData = *program.labData;
        settle();

        // 1. The journal of the last days' samples of one type.
        const QDate today = data::clock::today();
        journal.typeSelector->setKeyValue(1);
        journal.periodFrom->setDate(today.addDays(-3));
        journal.periodTo->setDate(today);
        shoot(&window, QStringLiteral("1-journal.png"));

        // 2. A new sample: "Добавить", then the patient's surname and name in the new row.
        check(labData.journal.isActive() && !labData.journal.isEmpty(), "the journal shows samples");
        journal.addRecordButton->click();
        settle();
        const int row = journal.journalGrid->currentIndex().row();
        check(testing_support::typeIntoCell(
                  journal.journalGrid, row, columnOf(journal.journalGrid, labData.journal, "FAM"),
                  QStringLiteral("Смирнова")) != nullptr,
              "the surname is typed");
        check(testing_support::typeIntoCell(
                  journal.journalGrid, row, columnOf(journal.journalGrid, labData.journal, "IMJA"),
                  QStringLiteral("Ольга")) != nullptr,
              "the name is typed");
        shoot(&window, QStringLiteral("2-new-sample.png"));
        journal.saveRecordButton->click();
        settle();
        check(!labData.journal.updatesPending() &&
                  labData.journal.value("FAM").toString() == QStringLiteral("Смирнова") &&
                  !labData.journal.value("N_ISSLED").isNull(),
              "the new sample is saved");

        // 3. Its results, typed in the card: "Ввод результатов" opens it over the journal.
        bool cardShown = false;
        dialogs.whileShown([&] { journal.enterResultsAction->trigger(); },
                           [&](QDialog* shown) {
                               auto* card = qobject_cast<ResearchCard*>(shown);
                               if (!card) return;
                               cardShown = true;
                               settle();
                               check(testing_support::typeIntoCell(
                                         card->resultsGrid, 0, 1,
                                         QStringLiteral("отрицательный")) != nullptr,
                                     "the result is typed");
                               shoot(card, QStringLiteral("3-results.png"));
                               card->saveButton->click();
                               settle();
                               check(card->resultsGrid->datasetModel()
                                             ->data(card->resultsGrid->datasetModel()->index(0, 1), Qt::DisplayRole)
                                             .toString() == QStringLiteral("отрицательный") &&
                                         !labData.card.updatesPending(),
                                     "the result is saved");
                           });
        if (!cardShown) {
            QTextStream(stderr) << "the card did not open\n";
            allShot = false;
        }

        // 4. Printing: the "Печать" button's menu.
        QTimer::singleShot(500, [&] {
            QMenu* menu = journal.printMenu;
            shoot(&window, QStringLiteral("4-print.png"), menu->frameGeometry());
            menu->close();
        });
        journal.printButton->showMenu();

        // 5. Finding a patient: the "Поиск" page by surname, over the last year.
        window.pages->setCurrentWidget(window.searchPage);
        settle();
        window.searchPage->periodFrom->setDate(today.addYears(-1));
        testing_support::typeText(window.searchPage->surnameEdit, QStringLiteral("Иванов"));
        window.searchPage->findButton->click();
        settle();
        data::Dataset& found = window.searchPage->found;
        check(found.isActive() && !found.isEmpty() &&
                  found.value("FAM").toString().startsWith(QStringLiteral("Иванов")),
              "the search finds the patients");
        shoot(&window, QStringLiteral("5-search.png"));

        for (const QString& text : dialogs.texts()) QTextStream(stderr) << "said: " << text << "\n";
        if (!dialogs.texts().isEmpty()) allShot = false;
        window.close();
        settle();
    }
    office::shutDownLibreOffice();
    return allShot ? 0 : 1;
}
