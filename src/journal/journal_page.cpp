#include "journal/journal_page.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

namespace {

QToolButton* pictureButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(24, 24));
    b->setFixedSize(32, 32);
    b->setToolTip(hint);
    return b;
}

QDateEdit* datePicker(QWidget* parent) {
    auto* d = new QDateEdit(parent);
    d->setCalendarPopup(true);
    d->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    return d;
}

}  // namespace

JournalPage::JournalPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    auto* tools = new QWidget(this);
    tools->setFixedHeight(46);
    auto* strip = new QHBoxLayout(tools);
    strip->setContentsMargins(4, 2, 4, 2);
    RxSpeedButton1 = pictureButton(tools, QStyle::SP_FileIcon, QStringLiteral("Добавить запись"));
    RxSpeedButton2 = pictureButton(tools, QStyle::SP_TrashIcon, QStringLiteral("Удалить запись"));
    RxSpeedButton4 =
        pictureButton(tools, QStyle::SP_DialogSaveButton, QStringLiteral("Сохранить запись"));
    strip->addWidget(RxSpeedButton1);
    strip->addWidget(RxSpeedButton2);
    strip->addWidget(RxSpeedButton4);
    strip->addSpacing(16);
    auto* from = new QLabel(QStringLiteral("Дата с.."), tools);
    from->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    strip->addWidget(from);
    DateTimePicker1 = datePicker(tools);
    strip->addWidget(DateTimePicker1);
    auto* to = new QLabel(QStringLiteral("по.."), tools);
    to->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    strip->addWidget(to);
    DateTimePicker2 = datePicker(tools);
    strip->addWidget(DateTimePicker2);
    strip->addSpacing(16);
    strip->addWidget(new QLabel(QStringLiteral("Вид исследования"), tools));
    DBLookupComboboxEh1 = new ui::DbLookupComboBox(tools);
    DBLookupComboboxEh1->setFixedWidth(245);
    DBLookupComboboxEh1->setMaxVisibleItems(16);
    strip->addWidget(DBLookupComboboxEh1);
    strip->addSpacing(16);
    BitBtn1 = new QPushButton(QStringLiteral("Журнал"), tools);
    strip->addWidget(BitBtn1);
    strip->addStretch(1);
    layout->addWidget(tools);

    auto* body = new QSplitter(Qt::Horizontal, this);
    GroupBox1 = new QGroupBox(QStringLiteral("ЛПУ  "), body);
    GroupBox1->setStyleSheet(
        QStringLiteral("QGroupBox { font-weight: bold; font-style: italic; }"));
    GroupBox1->setMinimumWidth(227);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->setContentsMargins(2, 2, 2, 2);
    DBGridEh2 = new ui::DbGrid(GroupBox1);
    DBGridEh2->horizontalHeader()->hide();
    DBGridEh2->verticalHeader()->hide();
    DBGridEh2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridEh2->setStyleSheet(
        QStringLiteral("QTableView { color: navy; font-family: Arial; font-weight: bold; }"));
    groupLayout->addWidget(DBGridEh2);
    DBGridEh1 = new ui::DbGrid(body);
    DBGridEh1->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(170, 204, 255); }"));
    DBGridEh1->setStyleSheet(QStringLiteral("QTableView { font-weight: bold; }"));
    body->addWidget(GroupBox1);
    body->addWidget(DBGridEh1);
    body->setStretchFactor(1, 1);
    body->setSizes({227, 800});
    layout->addWidget(body, 1);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(41);
    auto* bottomStrip = new QHBoxLayout(bottom);
    PrintButton = new QPushButton(QStringLiteral("Печать"), bottom);
    bottomStrip->addWidget(PrintButton);
    bottomStrip->addSpacing(24);
    Label3 = new QLabel(QStringLiteral("Всего: 0"), bottom);
    Label3->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    bottomStrip->addWidget(Label3);
    bottomStrip->addSpacing(24);
    auto* legend = new QLabel(bottom);
    legend->setFixedSize(21, 21);
    legend->setStyleSheet(QStringLiteral("background-color: yellow; border: none;"));
    bottomStrip->addWidget(legend);
    bottomStrip->addWidget(new QLabel(QStringLiteral("-    нет результатов"), bottom));
    bottomStrip->addStretch(1);
    layout->addWidget(bottom);
}
