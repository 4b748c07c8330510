#include "directories/unv_spr.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/globals.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

Tun_spr* un_spr = nullptr;

Tun_spr::Tun_spr(QWidget* parent) : QDialog(parent) {
    setObjectName("un_spr");
    setWindowTitle(QStringLiteral("Справочник"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    resize(760, 480);

    auto* layout = new QVBoxLayout(this);
    DBGridEh1 = new ui::DbGrid(this);
    DBGridEh1->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    layout->addWidget(DBGridEh1, 1);
    PopupMenu1 = new QMenu(DBGridEh1);
    Excel1 = PopupMenu1->addAction(QStringLiteral("Выгрузить в Excel"));
    Excel1->setEnabled(false);  // the spreadsheet export arrives with the office layer
    DBGridEh1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGridEh1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(DBGridEh1->viewport()->mapToGlobal(at));
    });

    auto* bottom = new QHBoxLayout;
    auto navigatorButton = [this](QStyle::StandardPixmap icon, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        return b;
    };
    InsertButton =
        navigatorButton(QStyle::SP_FileDialogNewFolder, QStringLiteral("Добавить запись"));
    DeleteButton = navigatorButton(QStyle::SP_TrashIcon, QStringLiteral("Удалить запись"));
    EditButton =
        navigatorButton(QStyle::SP_FileDialogDetailedView, QStringLiteral("Изменить запись"));
    for (QToolButton* b : {InsertButton, DeleteButton, EditButton}) bottom->addWidget(b);
    bottom->addSpacing(12);
    Button3 = new QPushButton(QStringLiteral("Поиск"), this);
    bottom->addWidget(Button3);
    Label1 = new QLabel(QStringLiteral("Введите символы"), this);
    bottom->addWidget(Label1);
    Edit1 = new QLineEdit(this);
    Edit1->setMaximumWidth(180);
    Edit1->installEventFilter(this);
    bottom->addWidget(Edit1);
    bottom->addStretch(1);
    Button2 = new QPushButton(QStringLiteral("Запомнить"), this);
    Button4 = new QPushButton(QStringLiteral("Отменить"), this);
    Button1 = new QPushButton(QStringLiteral("Выход"), this);
    Button1->setStyleSheet(QStringLiteral("font-weight: bold;"));
    for (QPushButton* b : {Button2, Button4, Button1}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    Button3->setAutoDefault(false);
    layout->addLayout(bottom);

    connect(InsertButton, &QToolButton::clicked, this,
            ui::guardedSlot(this, [] { CurrentDirectoryQuery->insert(); }));
    connect(DeleteButton, &QToolButton::clicked, this, ui::guardedSlot(this, [this] {
                data::Dataset& d = *CurrentDirectoryQuery;
                if (!d.isEmpty() && ui::confirm(this, QStringLiteral("Удалить запись?")))
                    d.remove();
            }));
    connect(EditButton, &QToolButton::clicked, this,
            ui::guardedSlot(this, [] { CurrentDirectoryQuery->edit(); }));
    connect(Button2, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { Button2Click(); }));
    connect(Button4, &QPushButton::clicked, this,
            ui::guardedSlot(this, [this] { Button4Click(); }));
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
    connect(Edit1, &QLineEdit::textChanged, this, ui::guardedSlot(this, [this] { Edit1Change(); }));
    showSearch(false);
}

void Tun_spr::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded(this, [this] { FormActivate(); });
}

bool Tun_spr::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::FocusOut) Edit1Exit();
    return QDialog::eventFilter(watched, event);
}

void Tun_spr::showSearch(bool on) {
    Label1->setVisible(on);
    Label1->setEnabled(on);
    Edit1->setVisible(on);
    Edit1->setEnabled(on);
}

void Tun_spr::FormActivate() {
    // Columns come from the dataset now handed over: nothing of the previous directory stays.
    DBGridEh1->setDataSource(CurrentDirectorySource);
    showSearch(false);
    DBGridEh1->setFocus();
    CurrentDirectoryQuery->close();
    CurrentDirectoryQuery->open();
}

void Tun_spr::Button2Click() {
    data::Dataset& d = *CurrentDirectoryQuery;
    if (d.state() == data::DatasetState::Browse && !d.updatesPending()) return;
    // A failed save leaves nothing unsaved behind: the grid shows the rows as stored.
    d.save(data::SaveFailure::CancelChanges);
    d.close();
    d.open();
}

void Tun_spr::Button4Click() {
    CurrentDirectoryQuery->cancelUpdates();
}

void Tun_spr::Button3Click() {
    showSearch(true);
    Edit1->clear();
    Edit1->setFocus();
}

void Tun_spr::Edit1Change() {
    data::Dataset& d = *CurrentDirectoryQuery;
    const QString text = Edit1->text();
    if (text.isEmpty()) {
        d.first();
        return;
    }
    const int column = std::max(0, DBGridEh1->currentIndex().column());
    const int field = DBGridEh1->datasetModel()->fieldIndexOfColumn(column);
    if (field < 0) return;
    d.locate(d.fields()[field].name, text, data::LocatePartialKey | data::LocateCaseInsensitive);
}

void Tun_spr::Edit1Exit() {
    showSearch(false);
}
