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

#include "data/lab_data.h"
#include "ui/date_picker.h"
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

QDateEdit* datePicker(const QString& field, QWidget* parent) {
    auto* d = new ui::DatePicker(field, parent);
    d->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    return d;
}

}  // namespace

JournalPage::JournalPage(LabData& lab, reports::JournalReports& reports, QWidget* parent)
    : QWidget(parent),
      labData(lab),
      session(lab.session),
      institutionList(lab.writeTransaction, "institutionList"),
      institutionListSource(&institutionList, "institutionListSource"),
      documents_(lab, this),
      reports_(reports) {
    labData.setUpJournalInstitutions(institutionList);
    institutionList.afterScroll = [this](data::Dataset&) { reloadForInstitution(); };
    labData.journalInstitutions = &institutionList;

    buildControls();
    bindJournal();
}

JournalPage::~JournalPage() {
    if (labData.journalInstitutions == &institutionList) labData.journalInstitutions = nullptr;
}

void JournalPage::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    auto* tools = new QWidget(this);
    tools->setFixedHeight(46);
    auto* strip = new QHBoxLayout(tools);
    strip->setContentsMargins(4, 2, 4, 2);
    addRecordButton = pictureButton(tools, QStyle::SP_FileIcon, QStringLiteral("Добавить запись"));
    deleteRecordButton =
        pictureButton(tools, QStyle::SP_TrashIcon, QStringLiteral("Удалить запись"));
    saveRecordButton =
        pictureButton(tools, QStyle::SP_DialogSaveButton, QStringLiteral("Сохранить запись"));
    strip->addWidget(addRecordButton);
    strip->addWidget(deleteRecordButton);
    strip->addWidget(saveRecordButton);
    strip->addSpacing(16);
    auto* from = new QLabel(QStringLiteral("Дата с.."), tools);
    from->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    strip->addWidget(from);
    periodFrom = datePicker(QStringLiteral("Дата с.."), tools);
    strip->addWidget(periodFrom);
    auto* to = new QLabel(QStringLiteral("по.."), tools);
    to->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    strip->addWidget(to);
    periodTo = datePicker(QStringLiteral("по.."), tools);
    strip->addWidget(periodTo);
    strip->addSpacing(16);
    strip->addWidget(new QLabel(QStringLiteral("Вид исследования"), tools));
    typeSelector = new ui::DbLookupComboBox(tools);
    typeSelector->setFixedWidth(245);
    typeSelector->setMaxVisibleItems(16);
    strip->addWidget(typeSelector);
    strip->addSpacing(16);
    journalDocumentButton = new QPushButton(QStringLiteral("Журнал"), tools);
    strip->addWidget(journalDocumentButton);
    strip->addStretch(1);
    layout->addWidget(tools);

    auto* body = new QSplitter(Qt::Horizontal, this);
    institutionsBox = new QGroupBox(QStringLiteral("ЛПУ  "), body);
    institutionsBox->setStyleSheet(
        QStringLiteral("QGroupBox { font-weight: bold; font-style: italic; }"));
    institutionsBox->setMinimumWidth(227);
    auto* groupLayout = new QVBoxLayout(institutionsBox);
    groupLayout->setContentsMargins(2, 2, 2, 2);
    institutionGrid = new ui::DbGrid(institutionsBox);
    institutionGrid->horizontalHeader()->hide();
    institutionGrid->verticalHeader()->hide();
    institutionGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    institutionGrid->setStyleSheet(
        QStringLiteral("QTableView { color: navy; font-family: Arial; font-weight: bold; }"));
    groupLayout->addWidget(institutionGrid);
    journalGrid = new ui::DbGrid(body);
    journalGrid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(170, 204, 255); }"));
    journalGrid->setStyleSheet(QStringLiteral("QTableView { font-weight: bold; }"));
    body->addWidget(institutionsBox);
    body->addWidget(journalGrid);
    body->setStretchFactor(1, 1);
    body->setSizes({227, 800});
    layout->addWidget(body, 1);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(41);
    auto* bottomStrip = new QHBoxLayout(bottom);
    printButton = new QPushButton(QStringLiteral("Печать"), bottom);
    bottomStrip->addWidget(printButton);
    bottomStrip->addSpacing(24);
    totalLabel = new QLabel(QStringLiteral("Всего: 0"), bottom);
    totalLabel->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    bottomStrip->addWidget(totalLabel);
    bottomStrip->addSpacing(24);
    auto* legend = new QLabel(bottom);
    legend->setFixedSize(21, 21);
    legend->setStyleSheet(QStringLiteral("background-color: yellow; border: none;"));
    bottomStrip->addWidget(legend);
    bottomStrip->addWidget(new QLabel(QStringLiteral("-    нет результатов"), bottom));
    bottomStrip->addStretch(1);
    layout->addWidget(bottom);
}
