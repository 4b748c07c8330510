#include "journal/gl_pelta.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/dm_pelta.h"
#include "data/globals.h"
#include "data/reg_ini.h"
#include "journal/journal_page.h"
#include "journal/search_page.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TdmV& dmodule, QWidget* parent)
    : QMainWindow(parent),
      dm(dmodule),
      IBQuery3(dmodule.IBTransaction1, "IBQuery3"),
      DataSource3(&IBQuery3, "DataSource3"),
      JournalResults(dmodule.IBTransaction1, "JournalResults"),
      regIniPath_(data::regIniPath()) {
    setObjectName("Form1");
    resize(1030, 735);
    IBQuery3.setSql("Select * from SP_LPU Order by Name");
    IBQuery3.declareFields({{"COD_LPU", {}, false, 0, false},
                            {"NAME", QStringLiteral("Наименование"), true, 0, false}});
    IBQuery3.afterScroll = [this](data::Dataset&) { IBQuery3AfterScroll(); };
    dm.journalInstitutions = &IBQuery3;

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(central);
    journal = new JournalPage(PageControl1);
    search = new SearchPage(PageControl1);
    PageControl1->addTab(journal, QStringLiteral("Лабораторные исследования"));
    PageControl1->addTab(search, QStringLiteral("Поиск"));
    layout->addWidget(PageControl1, 1);
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->hide();
    layout->addWidget(ProgressBar1);
    setCentralWidget(central);
    // One simple panel: a permanent text that menu hints do not wipe out.
    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName("StatusBar1");
    statusBar()->addWidget(StatusBar1, 1);

    buildMenu();
    bindJournal();
    Form1 = this;
}

TForm1::~TForm1() {
    if (dm.journalInstitutions == &IBQuery3) dm.journalInstitutions = nullptr;
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::bindJournal() {
    journal->DBGridEh2->setDataSource(&DataSource3);
    ui::GridColumn name;
    name.field = "NAME";
    name.width = 238;
    journal->DBGridEh2->setColumns({name});

    journal->DBGridEh1->setDataSource(&dm.DSIssled);
    const QList<std::pair<const char*, int>> columns = {
        {"ISSL", 164},      {"OTD", 157},       {"NPP", 46},        {"NOM", 58},
        {"FAM", 151},       {"IMJA", 98},       {"OTCH", 102},      {"DAT_R", 78},
        {"DAT_ISSLED", 75}, {"DAT_DOSTAV", 75}, {"DAT_REZULT", 74}, {"VRACH", 117}};
    QList<ui::GridColumn> grid;
    for (const auto& [field, width] : columns) {
        ui::GridColumn c;
        c.field = field;
        c.width = width;
        // Joined names are shown, never written.
        c.readOnly = QByteArray(field) == "ISSL" || QByteArray(field) == "OTD" ||
                     QByteArray(field) == "VRACH";
        grid << c;
    }
    journal->DBGridEh1->setColumns(grid);

    journal->DBLookupComboboxEh1->setListSource(&dm.DataSource2, "N_LISSL", "NAME");
    connect(journal->DBLookupComboboxEh1, &ui::DbLookupComboBox::keyValueChanged, this,
            ui::guardedSlot(this, [this] { DBLookupComboboxEh1Change(); }));
    // A date typed digit by digit is taken when it is finished (Enter or leaving the picker) or
    // picked in the calendar, not at every digit.
    auto datesChosen = [this] {
        if (!shown_ || !dm.Issled.isActive()) return;
        if (dm.Issled.param("d1").toDate() == journal->DateTimePicker1->date() &&
            dm.Issled.param("d2").toDate() == journal->DateTimePicker2->date())
            return;
        ui::guarded(this, [this] { DateTimePicker2Change(); });
    };
    for (QDateEdit* picker : {journal->DateTimePicker1, journal->DateTimePicker2}) {
        connect(picker, &QDateEdit::editingFinished, this, datesChosen);
        connect(picker->calendarWidget(), &QCalendarWidget::clicked, this, datesChosen);
    }
    bindResultMarks();
    bindEditing();
}

void TForm1::bindEditing() {
    auto handler = [this](void (TForm1::*method)()) {
        return ui::guardedSlot(this, [this, method] { (this->*method)(); });
    };
    connect(journal->RxSpeedButton1, &QToolButton::clicked, this,
            handler(&TForm1::RxSpeedButton1Click));
    connect(journal->RxSpeedButton2, &QToolButton::clicked, this,
            handler(&TForm1::RxSpeedButton2Click));
    connect(journal->RxSpeedButton4, &QToolButton::clicked, this,
            handler(&TForm1::RxSpeedButton4Click));

    ui::DbGrid* grid = journal->DBGridEh1;
    grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grid->setRowKeys(true);
    connect(grid, &QAbstractItemView::doubleClicked, this, handler(&TForm1::DBGridEh1DblClick));
    PopupMenu1 = new QMenu(grid);
    N21 = PopupMenu1->addAction(QStringLiteral("Ввод результатов"));
    N22 = PopupMenu1->addAction(QStringLiteral("Копировать данные пациента"));
    N8 = PopupMenu1->addAction(QStringLiteral("Печать результатов анализа"));
    N9 = PopupMenu1->addAction(QStringLiteral("Печать всех результатов"));
    connect(N21, &QAction::triggered, this, handler(&TForm1::DBGridEh1DblClick));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
        PopupMenu1->popup(grid->viewport()->mapToGlobal(at));
    });

    // Printing and the journal document arrive with their own commands.
    N8->setEnabled(false);
    N9->setEnabled(false);
    journal->BitBtn1->setEnabled(false);
    journal->PrintButton->setEnabled(false);
    journal->RxSpeedButton1->setEnabled(false);
    journal->RxSpeedButton2->setEnabled(false);
}

void TForm1::N4Click() {
    close();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // An error after the login leaves the window open with whatever was loaded.
    ui::guarded(this, [this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool closed = false;
    ui::guarded(this, [&] { closed = FormClose(); });
    if (closed)
        event->accept();
    else
        event->ignore();
}
