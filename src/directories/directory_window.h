// The universal directory window: shows and edits whichever reference table the session's
// directory dataset and data source name.
#pragma once

#include "ui/modal_window.h"

class LabData;
struct Session;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QToolButton;

namespace ui {
class DbGrid;
}

class DirectoryWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit DirectoryWindow(LabData& labData, QWidget* parent = nullptr);

    // Each showing binds the grid to the directory now handed over and reads it afresh.
    void openDirectory();
    void saveChanges();    // "Запомнить"
    void cancelChanges();  // "Отменить"
    void startSearch();    // "Поиск"
    void searchAsTyped();  // moves to the first row that starts with the typed text
    void endSearch();
    // True once this opening saved a change to the directory.
    bool savedChanges() const { return savedChanges_; }

    Session& session;

    ui::DbGrid* grid;
    QToolButton* insertButton;  // the navigator: insert, delete, edit
    QToolButton* deleteButton;
    QToolButton* editButton;
    QPushButton* saveButton;
    QPushButton* cancelButton;
    QPushButton* exitButton;
    QPushButton* searchButton;
    QLabel* searchLabel;
    QLineEdit* searchEdit;
    QMenu* gridMenu;
    QAction* exportAction;  // "Выгрузить в Excel"

protected:
    void openWindow() override { openDirectory(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool unsavedChanges() const override;
    void saveUnsavedChanges() override { saveChanges(); }
    void dropUnsavedChanges() override { cancelChanges(); }

private:
    void showSearch(bool on);
    bool savedChanges_ = false;
};
