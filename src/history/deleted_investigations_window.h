// "Пациенты / Удаленные исследования": the investigations deleted in a period, who deleted them
// and when, with the patient and type they held; each one's timeline opens from the list.
#pragma once

#include "ui/modal_window.h"

class ChangeHistoryWindow;
class LabData;
struct Session;
class QAction;
class QMenu;
class QPushButton;

namespace data {
class ChangeHistory;
}

namespace ui {
class DatePicker;
class DbGrid;
}  // namespace ui

class DeletedInvestigationsWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit DeletedInvestigationsWindow(LabData& labData, QWidget* parent = nullptr);

    void showDeleted();  // "Показать": the period's deletions
    void showHistory();  // "История изменений" of the current row

    LabData& labData;
    data::ChangeHistory& history;
    ui::DatePicker* periodFrom;  // "Удалены с"
    ui::DatePicker* periodTo;    // "по"
    QPushButton* showButton;
    ui::DbGrid* grid;
    QMenu* gridMenu;
    QAction* historyAction;
    QAction* exportAction;
    QPushButton* historyButton;
    QPushButton* exitButton;

protected:
    void openWindow() override;
    void windowClosing() override;

private:
    ChangeHistoryWindow* historyWindow_ = nullptr;
};
