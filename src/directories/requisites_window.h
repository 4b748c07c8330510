// The requisites window: the laboratory's own names, address and head (RECV_ST).
// Made when the menu asks for it and destroyed when closed.
#pragma once

#include "ui/modal_window.h"

class LabData;
class QPushButton;

namespace ui {
class DbEdit;
}

class RequisitesWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit RequisitesWindow(LabData& labData, QWidget* parent = nullptr);

    void openRequisites();  // each showing reads the requisites afresh
    void saveRequisites();  // "Сохранить"

    LabData& labData;
    ui::DbEdit* shortNameEdit;  // Краткое наименование
    ui::DbEdit* fullNameEdit;   // Полное наименование
    ui::DbEdit* addressEdit;    // Адрес
    ui::DbEdit* headEdit;       // Руководитель
    QPushButton* saveButton;


protected:
    bool unsavedChanges() const override;
    void saveUnsavedChanges() override { saveRequisites(); }
    void dropUnsavedChanges() override;
    void windowClosing() override;
    void openWindow() override { openRequisites(); }
};
