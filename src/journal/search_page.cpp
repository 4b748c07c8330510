#include "journal/search_page.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

SearchPage::SearchPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* criteria = new QGroupBox(this);
    criteria->setFixedHeight(265);
    auto* grid = new QGridLayout(criteria);
    auto* from = new QLabel(QStringLiteral("Дата с.."), criteria);
    from->setStyleSheet(QStringLiteral("color: navy;"));
    auto* to = new QLabel(QStringLiteral("по.."), criteria);
    to->setStyleSheet(QStringLiteral("color: navy;"));
    DateTimePicker3 = new QDateEdit(criteria);
    DateTimePicker3->setCalendarPopup(true);
    DateTimePicker4 = new QDateEdit(criteria);
    DateTimePicker4->setCalendarPopup(true);
    grid->addWidget(from, 0, 0);
    grid->addWidget(DateTimePicker3, 0, 1);
    grid->addWidget(to, 0, 2);
    grid->addWidget(DateTimePicker4, 0, 3);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(1, 1);
    layout->addWidget(criteria);
    layout->addStretch(1);
}
