// The research composition window: investigation types, all indicators, and the ordered
// indicators of the selected type, reordered by dragging.
#pragma once

#include "ui/modal_window.h"

class LabData;
struct Session;
class QPushButton;

namespace ui {
class DbGrid;
}

class CompositionWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    explicit CompositionWindow(LabData& labData, QWidget* parent = nullptr);

    // Each showing binds the grids to the datasets the session hands over.
    void bindGrids();
    void addType();
    void deleteType();       // the selected type
    void addIndicator();     // the selected indicator, to the selected type
    void removeIndicator();  // the selected composition row
    void saveChanges();      // "Запомнить "
    // True once this opening stored a change to the investigation types.
    bool typesChanged() const { return typesChanged_; }
    // The drag of a composition row, by row number: press over one row, release over another.
    void startDrag(int row);
    void dropOn(int row);

    LabData& labData;
    Session& session;
    ui::DbGrid* typesGrid;
    ui::DbGrid* indicatorsGrid;   // all indicators
    ui::DbGrid* compositionGrid;  // the composition of the selected type
    QPushButton* addTypeButton;
    QPushButton* deleteTypeButton;
    QPushButton* addIndicatorButton;
    QPushButton* removeIndicatorButton;
    QPushButton* saveButton;

    void done(int result) override;

protected:
    void openWindow() override { bindGrids(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Drag {
        int sourceId = 0;
        int sourcePosition = 0;
        bool active = false;
    } drag_;
    bool closing_ = false;
    bool typesChanged_ = false;
};
