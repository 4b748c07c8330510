// The time norm window Form3: doctors' and assistants' minutes per determination of the
// indicators of a chosen investigation type.
#pragma once

#include <QDialog>

class TdmV;
class QPushButton;

namespace ui {
class DbGrid;
class DbLookupComboBox;
}  // namespace ui

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(TdmV& dm, QWidget* parent = nullptr);

    void FormShow();
    void DBLookupComboBox1CloseUp();  // the type list closed: show that type's norms
    void Button5Click();              // "Сохранить"
    void FormClose();

    TdmV& dm;
    ui::DbLookupComboBox* DBLookupComboBox1;
    ui::DbGrid* DBGridEh1;
    QPushButton* Button5;
    QPushButton* Button1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TForm3* Form3;
