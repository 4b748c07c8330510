// The main window's menu bar and the launching of the directory windows.
#include <QMenuBar>

#include "data/dm_pelta.h"
#include "data/globals.h"
#include "directories/rekvizit.h"
#include "directories/sp_group.h"
#include "directories/sp_norma.h"
#include "directories/unv_spr.h"
#include "journal/gl_pelta.h"
#include "journal/journal_page.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

void TForm1::buildMenu() {
    QMenuBar* bar = menuBar();
    auto command = [this](QMenu* menu, const QString& caption, const char* name,
                          void (TForm1::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (handler)
            connect(a, &QAction::triggered, this,
                    ui::guardedSlot(this, [this, handler] { (this->*handler)(); }));
        else
            a->setEnabled(false);  // its window or report arrives with its own issue
        return a;
    };
    QMenu* patients = bar->addMenu(QStringLiteral("Пациенты"));
    N6 = command(patients, QStringLiteral("Поиск пациента"), "N6", nullptr);
    N5 = command(patients, QStringLiteral("Скопировать данные пациента"), "N5", nullptr);

    QMenu* directories = bar->addMenu(QStringLiteral("Справочники"));
    QMenu* investigations = directories->addMenu(QStringLiteral("Лабораторные исследования"));
    N34 = command(investigations, QStringLiteral("Лабораторные исследования"), "N34",
                  &TForm1::N34Click);
    N46 = command(investigations, QStringLiteral("Показатели для лаб. исследований"), "N46",
                  &TForm1::N46Click);
    N40 = command(investigations, QStringLiteral("Стандарты показателей лаб. исследований"), "N40",
                  &TForm1::N40Click);
    N20 = command(investigations, QStringLiteral("Норма времени"), "N20", &TForm1::N20Click);
    directories->addSeparator();
    N31 = command(directories, QStringLiteral("Лечебные учреждения"), "N31", &TForm1::N31Click);
    N7 = command(directories, QStringLiteral("Отделения"), "N7", &TForm1::N7Click);
    N3 = command(directories, QStringLiteral("Источники финансирования"), "N3", &TForm1::N3Click);
    N35 = command(directories, QStringLiteral("Врачи"), "N35", &TForm1::N35Click);
    N18 = command(directories, QStringLiteral("Лаборанты"), "N18", &TForm1::N18Click);
    directories->addSeparator();
    N37 =
        command(directories, QStringLiteral("Реквизиты леч.учреждения"), "N37", &TForm1::N37Click);

    QMenu* reports = bar->addMenu(QStringLiteral("Отчеты"));
    N15 = command(reports, QStringLiteral("Отчет поименный"), "N15", nullptr);
    N16 = command(reports, QStringLiteral("Отчет поименный полный"), "N16", nullptr);
    N13 = command(reports, QStringLiteral("Отчет за период (показатели)"), "N13", nullptr);
    N11 = command(reports, QStringLiteral("Запросы к базе данных"), "N11", nullptr);

    N4 = bar->addAction(QStringLiteral("Выход"));
    N4->setObjectName("N4");
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
}

void TForm1::showDirectory(int kind, const QString& caption, data::Dataset& dataset,
                           data::DataSource& source, bool typeSelectionFollows) {
    CurrentDirectoryKind = kind;
    un_spr->setWindowTitle(caption);
    CurrentDirectoryQuery = &dataset;
    CurrentDirectorySource = &source;
    ui::dialogs().showModal(un_spr);
    // The journal is read again for its institution, unless the type selection that follows
    // the types directory reads it anyway.
    const bool samePlace = rereadJournalLists();
    if (!samePlace || !typeSelectionFollows) IBQuery3AfterScroll();
}

bool TForm1::rereadJournalLists() {
    // A new or renamed institution or type shows in the journal's lists at once; the journal
    // keeps the institution and type it had.
    const QVariant institution = IBQuery3.value("COD_LPU");
    {
        const QSignalBlocker quiet(journal->DBLookupComboboxEh1);
        dm.IBQuery2.close();
        dm.IBQuery2.open();
    }
    rereadingLists_ = true;
    IBQuery3.close();
    IBQuery3.open();
    const bool samePlace = !institution.isNull() && IBQuery3.locate("COD_LPU", institution);
    rereadingLists_ = false;
    return samePlace;
}

void TForm1::N31Click() {
    showDirectory(31, QStringLiteral("Справочник ЛПУ"), dm.IBQuery3, dm.DataSource3);
}

void TForm1::N34Click() {
    showDirectory(38, QStringLiteral("Справочник лабораторных исследований"), dm.IBQuery53,
                  dm.DataSource53, true);
    journal->DBLookupComboboxEh1->setKeyValue(
        CurrentInvestigationType > 0 ? QVariant(CurrentInvestigationType) : QVariant());
    DBLookupComboboxEh1Change();
}

void TForm1::N35Click() {
    showDirectory(35, QStringLiteral("Справочник врачей"), dm.IBQuery5, dm.DataSource5);
}

void TForm1::N46Click() {
    showDirectory(40, QStringLiteral("Справочник показателей лабораторных исследований"),
                  dm.IBQuery54, dm.DataSource54);
}

void TForm1::N3Click() {
    showDirectory(3, QStringLiteral("Справочник источников финансирования"), dm.IBQuery6,
                  dm.DataSource6);
}

void TForm1::N7Click() {
    showDirectory(7, QStringLiteral("Справочник отделений"), dm.IBQuery4, dm.DataSource4);
}

void TForm1::N18Click() {
    showDirectory(41, QStringLiteral("Справочник лаборантов"), dm.IBQuery12, dm.DataSource12);
}

void TForm1::N40Click() {
    CurrentDirectoryKind = 39;
    dm.IBQuery53.close();
    dm.IBQuery53.open();
    dm.IBQuery54.close();
    dm.IBQuery54.open();
    dm.IBQuery55.close();
    dm.IBQuery55.setParam("n_lissl", dm.IBQuery53.value("N_LISSL"));
    dm.IBQuery55.open();
    dm.IBQuery55.last();
    LastCompositionNpp = dm.IBQuery55.isEmpty() ? 0 : dm.IBQuery55.value("NPP").toInt();
    dm.IBQuery55.first();
    CompositionTypeQuery = &dm.IBQuery53;
    CompositionTypeSource = &dm.DataSource53;
    CompositionRowsQuery = &dm.IBQuery55;
    CompositionRowsSource = &dm.DataSource55;
    CompositionIndicatorsQuery = &dm.IBQuery54;
    CompositionIndicatorsSource = &dm.DataSource54;
    Form12->setWindowTitle(QStringLiteral("Показатели лаб.исследований"));
    ui::dialogs().showModal(Form12);
    dm.IBQuery55.close();
    dm.IBQuery54.close();
    dm.IBQuery53.close();
}

void TForm1::N20Click() {
    CurrentDirectoryKind = 20;
    ui::dialogs().showModal(Form3);
}

void TForm1::N37Click() {
    if (!Form20) Form20 = new TForm20(dm, this);
    ui::dialogs().showModal(Form20);
}
