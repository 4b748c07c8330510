#include "journal/main_window.h"

#include <QApplication>

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

#include "data/lab_data.h"
#include "data/reg_ini.h"
#include "directories/requisites_window.h"
#include "journal/journal_page.h"
#include "journal/search_page.h"
#include "ui/dialogs.h"

MainWindow::MainWindow(LabData& lab, QWidget* parent)
    : QMainWindow(parent),
      labData(lab),
      session(lab.session),
      reports_(lab, this),
      regIniPath_(data::regIniPath()) {
    setObjectName("MainWindow");
    resize(1030, 735);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    pages = new QTabWidget(central);
    journalPage = new JournalPage(labData, reports_, pages);
    searchPage = new SearchPage(labData, pages);
    pages->addTab(journalPage, QStringLiteral("Лабораторные исследования"));
    pages->addTab(searchPage, QStringLiteral("Поиск"));
    layout->addWidget(pages, 1);
    connect(pages, &QTabWidget::currentChanged, this, ui::command(this, [this] { pageChanged(); }));
    progressBar = new QProgressBar(central);
    progressBar->hide();
    layout->addWidget(progressBar);
    setCentralWidget(central);
    // One simple panel: a permanent text that menu hints do not wipe out.
    statusText = new QLabel(this);
    statusText->setObjectName("statusText");
    statusBar()->addWidget(statusText, 1);

    buildMenu();
}

MainWindow::~MainWindow() = default;

void MainWindow::setWindows(const OpenedWindows& windows) {
    windows_ = windows;
    requisitesWindow_ = windows.requisites;
    journalPage->setResearchCard(windows.card);
    searchPage->setResearchCard(windows.card);
}

RequisitesWindow* MainWindow::requisitesWindow() const {
    return requisitesWindow_;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // An error after the login leaves the window open with whatever was loaded.
    ui::guarded(this, [this] { startUp(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool closed = false;
    bool committed = false;
    ui::guarded(this, [&] { committed = ui::commitEditors(this); });
    if (committed) ui::guarded(this, [&] { closed = shutDown(); });
    if (closed)
        event->accept();
    else
        event->ignore();
}

void MainWindow::closeUnattended() {
    if (closingUnattended_) return;
    closingUnattended_ = true;
    static ui::UnattendedDialogs unattended;
    ui::setDialogs(&unattended);
    finishUnattendedClose();
}

void MainWindow::finishUnattendedClose() {
    // A window shown modally (the card, a box, the login prompt) closes first, as its close box
    // would; its own loop ends before the rest of the closing runs in the main one.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && modalWindowsClosed_ < 100) {
        ++modalWindowsClosed_;
        // A box without a button for its close box ignores close(): it is rejected instead.
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog && modal == lastModalClosed_)
            dialog->reject();
        else
            modal->close();
        lastModalClosed_ = modal;
        QTimer::singleShot(10, this, &MainWindow::finishUnattendedClose);
        return;
    }
    try {
        ui::commitEditors(this);
    } catch (const std::exception& e) {
        QTextStream(stderr) << ui::failureText(e) << "\n";
    }
    try {
        shutDown(ShutdownMode::Unattended);
    } catch (const std::exception& e) {
        QTextStream(stderr) << ui::failureText(e) << "\n";
    }
    hide();
    // Also when the loop has not started yet (a signal during the login).
    QCoreApplication::exit(0);
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

void MainWindow::pageChanged() {
    if (pages->currentWidget() == searchPage)
        searchPage->enter();
    else
        searchPage->leave();
}

void MainWindow::findPatient() {
    // Shown as if the user had switched to it, and made afresh when it already was.
    if (pages->currentWidget() == searchPage)
        searchPage->enter();
    else
        pages->setCurrentWidget(searchPage);
}
