#include "journal/search_page.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "data/field.h"

SearchPage::SearchPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* criteria = new QGroupBox(this);
    criteria->setFixedHeight(265);
    auto* grid = new QGridLayout(criteria);
    auto* from = new QLabel(QStringLiteral("Дата с.."), criteria);
    from->setStyleSheet(QStringLiteral("color: navy;"));
    auto* to = new QLabel(QStringLiteral("по.."), criteria);
    to->setStyleSheet(QStringLiteral("color: navy;"));
    periodFrom = new QDateEdit(criteria);
    periodFrom->setCalendarPopup(true);
    periodFrom->setDisplayFormat(data::kDateFormat);
    periodTo = new QDateEdit(criteria);
    periodTo->setCalendarPopup(true);
    periodTo->setDisplayFormat(data::kDateFormat);
    grid->addWidget(from, 0, 0);
    grid->addWidget(periodFrom, 0, 1);
    grid->addWidget(to, 0, 2);
    grid->addWidget(periodTo, 0, 3);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(1, 1);
    layout->addWidget(criteria);
    layout->addStretch(1);
}
