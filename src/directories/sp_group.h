// The research composition window Form12: investigation types, all indicators, and the ordered
// indicators of the selected type, reordered by dragging.
#pragma once

#include <QDialog>

class QPushButton;

namespace ui {
class DbGrid;
}

class TForm12 : public QDialog {
    Q_OBJECT
public:
    explicit TForm12(QWidget* parent = nullptr);

    void FormActivate();
    void BitBtn2Click();  // add a type
    void BitBtn3Click();  // remove the selected type
    void BitBtn7Click();  // add the selected indicator to the selected type
    void BitBtn8Click();  // remove the selected composition row
    void BitBtn1Click();  // "Запомнить "
    // The drag of a composition row, by row number: press over one row, release over another.
    void DBGridEh2MouseDown(int row);
    void DBGridEh2MouseUp(int row);

    ui::DbGrid* DBGridEh1;  // types
    ui::DbGrid* DBGridEh3;  // all indicators
    ui::DbGrid* DBGridEh2;  // the composition of the selected type
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn7;
    QPushButton* BitBtn8;
    QPushButton* BitBtn1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Drag {
        int sourceId = 0;
        int sourcePosition = 0;
        bool active = false;
    } drag_;
    bool closing_ = false;
};

extern TForm12* Form12;
