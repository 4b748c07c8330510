// The time norms window: doctors' and assistants' minutes per determination of the
// indicators of a chosen investigation type.
#pragma once

#include "ui/modal_window.h"

class LabData;
class QPushButton;

namespace ui {
class DbGrid;
class DbLookupComboBox;
}  // namespace ui

class TimeNormsWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit TimeNormsWindow(LabData& labData, QWidget* parent = nullptr);

    // Each showing reads the types afresh and starts with none chosen.
    void openTypes();
    void showNormsOfType();  // the type list closed: show that type's norms
    void saveNorms();        // "Сохранить"
    void closeDatasets();

    LabData& labData;
    ui::DbLookupComboBox* typeSelector;
    ui::DbGrid* normsGrid;
    QPushButton* saveButton;
    QPushButton* exitButton;

protected:
    bool unsavedChanges() const override;
    void saveUnsavedChanges() override { saveNorms(); }
    void dropUnsavedChanges() override;
    void windowClosing() override { closeDatasets(); }
    void openWindow() override { openTypes(); }
};
