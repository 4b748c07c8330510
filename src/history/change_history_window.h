// "История изменений": one investigation's changes as the database logged them, newest first:
// when, who, from which workstation, what changed, what it was and what it became.
#pragma once

#include "ui/modal_window.h"

class LabData;
struct Session;
class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace data {
class ChangeHistory;
}

namespace ui {
class DbGrid;
}

class ChangeHistoryWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit ChangeHistoryWindow(LabData& labData, QWidget* parent = nullptr);

    // The record the next opening shows (N_ISSLED).
    void setInvestigation(int investigationKey) { investigationKey_ = investigationKey; }
    int investigation() const { return investigationKey_; }

    // Shows the timeline of a record modally over the window that asks.
    static void showFor(ChangeHistoryWindow*& window, LabData& labData, QWidget* parent,
                        int investigationKey);

    data::ChangeHistory& history;
    Session& session;
    QLabel* recordLabel;  // "Исследование № 12: Иванов Иван Иванович"
    ui::DbGrid* grid;
    QMenu* gridMenu;
    QAction* exportAction;  // "Выгрузить в Excel"
    QPushButton* exportButton;
    QPushButton* exitButton;

protected:
    void openWindow() override;
    void windowClosing() override;

private:
    int investigationKey_ = 0;
};
