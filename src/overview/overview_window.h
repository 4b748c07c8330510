// "Отчеты / Сводка": the laboratory's work over a period on one screen. Four panels, each a
// chart with its figures under it in a grid: investigations per day or week by type, the days
// from sampling to delivery and from delivery to result, each member of staff's results and
// norm minutes, and the screening answers per week with the share positive. The institution,
// the type and the period start as the journal shows them and have selectors of their own.
#pragma once

#include <QString>
#include <array>

#include "data/overview.h"
#include "ui/modal_window.h"

class LabData;
class QComboBox;
class QGroupBox;
class QPushButton;

class QChart;
class QChartView;

namespace ui {
class DatePicker;
class DbGrid;
}  // namespace ui

class OverviewWindow : public ui::ModalWindow {
    Q_OBJECT
public:
    OverviewWindow(LabData& labData, QWidget* parent = nullptr);

    // What the window opens on (the journal's institution, type and period).
    void setSelection(const data::OverviewSelection& selection);
    // The selection the selectors hold now.
    data::OverviewSelection selection() const;
    // "Показать": the four panels read again for the selection.
    void showOverview();
    // The panel's chart into a PNG or PDF file the user names.
    void savePicture(int panel);
    // The panel's grid into the spreadsheet.
    void exportFigures(int panel);

    enum Panel { Workload, Turnaround, Staff, Positivity, PanelCount };

    LabData& labData;
    data::Overview overview;
    QComboBox* institutionSelector;  // "ЛПУ": "Все ЛПУ" or one
    QComboBox* typeSelector;         // "Вид исследования": "Все виды" or one
    ui::DatePicker* periodFrom;      // "Дата с.."
    ui::DatePicker* periodTo;        // "по.."
    QPushButton* showButton;         // "Показать"
    struct PanelWidgets {
        QGroupBox* box = nullptr;  // its caption names the panel and its total
        QChartView* chartView = nullptr;
        ui::DbGrid* grid = nullptr;
        QPushButton* saveButton = nullptr;    // "Сохранить рисунок"
        QPushButton* exportButton = nullptr;  // "Выгрузить в Excel"
    };
    std::array<PanelWidgets, PanelCount> panels;
    QPushButton* exitButton;

protected:
    void openWindow() override;
    void windowClosing() override;

private:
    void fillSelectors();
    void drawWorkload();
    void drawTurnaround();
    void drawStaff();
    void drawPositivity();
    // A new chart of the panel, Russian in its numbers and legend.
    QChart* newChart(int panel);

    data::OverviewSelection wanted_;
    bool weekly_ = false;
};
