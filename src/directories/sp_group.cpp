#include "directories/sp_group.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "data/dm_pelta.h"
#include "data/globals.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

TForm12* Form12 = nullptr;

namespace {

QPushButton* glyphButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint,
                         const QString& text = {}) {
    auto* b = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

// Runs one statement through the data module's statement object, as the reordering does.
void runStatement(const QString& sql) {
    data::StatementObject& s = dmV->IBSQL1;
    s.close();
    s.setSql(sql);
    s.execute();
}

}  // namespace

TForm12::TForm12(QWidget* parent) : QDialog(parent) {
    setObjectName("Form12");
    setWindowTitle(QStringLiteral("Группы препаратов"));
    resize(980, 620);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    auto* top = new QHBoxLayout;
    DBGridEh1 = new ui::DbGrid(this);
    top->addWidget(DBGridEh1, 1);
    auto* typeButtons = new QVBoxLayout;
    BitBtn2 = glyphButton(this, QStyle::SP_FileDialogNewFolder,
                          QStringLiteral("Добавить вид исследования"));
    BitBtn3 = glyphButton(this, QStyle::SP_TrashIcon, QStringLiteral("Удалить вид исследования"));
    typeButtons->addWidget(BitBtn2);
    typeButtons->addWidget(BitBtn3);
    typeButtons->addStretch(1);
    top->addLayout(typeButtons);
    layout->addLayout(top, 2);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    DBGridEh3 = new ui::DbGrid(splitter);
    DBGridEh3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* rowButtons = new QVBoxLayout;
    BitBtn7 =
        glyphButton(right, QStyle::SP_ArrowRight, QStringLiteral("Добавить в выбранную группу"));
    BitBtn8 =
        glyphButton(right, QStyle::SP_ArrowLeft, QStringLiteral("Удалить из выбранной группы"));
    BitBtn1 = glyphButton(right, QStyle::SP_DialogSaveButton, QStringLiteral("Запомнить "));
    for (QPushButton* b : {BitBtn7, BitBtn8, BitBtn1}) rowButtons->addWidget(b);
    rowButtons->addStretch(1);
    rightLayout->addLayout(rowButtons);
    DBGridEh2 = new ui::DbGrid(right);
    DBGridEh2->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    DBGridEh2->viewport()->installEventFilter(this);
    rightLayout->addWidget(DBGridEh2, 1);
    splitter->addWidget(DBGridEh3);
    splitter->addWidget(right);
    splitter->setSizes({560, 400});
    layout->addWidget(splitter, 3);

    auto connectButton = [this](QPushButton* b, void (TForm12::*method)()) {
        connect(b, &QPushButton::clicked, this,
                ui::guardedSlot(this, [this, method] { (this->*method)(); }));
    };
    connectButton(BitBtn2, &TForm12::BitBtn2Click);
    connectButton(BitBtn3, &TForm12::BitBtn3Click);
    connectButton(BitBtn7, &TForm12::BitBtn7Click);
    connectButton(BitBtn8, &TForm12::BitBtn8Click);
    connectButton(BitBtn1, &TForm12::BitBtn1Click);
    connect(DBGridEh3, &QAbstractItemView::doubleClicked, this,
            ui::guardedSlot(this, [this] { BitBtn7Click(); }));
    connect(DBGridEh2, &QAbstractItemView::doubleClicked, this,
            ui::guardedSlot(this, [this] { BitBtn8Click(); }));
}

void TForm12::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TForm12::FormActivate() {
    DBGridEh1->setDataSource(CompositionTypeSource);
    DBGridEh3->setDataSource(CompositionIndicatorsSource);
    DBGridEh2->setDataSource(CompositionRowsSource);
}

void TForm12::done(int result) {
    // Closing saves; a save the database refuses keeps the window open with the changes.
    if (!closing_) {
        closing_ = true;
        const bool saved = ui::guarded(this, [this] { BitBtn1Click(); });
        closing_ = false;
        if (!saved) return;
    }
    QDialog::done(result);
}

void TForm12::BitBtn2Click() {
    data::Dataset& types = *CompositionTypeQuery;
    types.insert();
    types.applyUpdates();
    types.commitUpdates();
}

void TForm12::BitBtn3Click() {
    data::Dataset& types = *CompositionTypeQuery;
    types.remove();
    try {
        types.applyUpdates();
    } catch (const db::DbError&) {
        // A type still in use stays; other unsaved edits of the types wait for the save.
        types.restoreDeleted();
        throw;
    }
    types.commitUpdates();
}

void TForm12::BitBtn7Click() {
    data::Dataset& rows = *CompositionRowsQuery;
    rows.insert();
    rows.save(data::SaveFailure::KeepChanges);
    rows.close();
    rows.open();
}

void TForm12::BitBtn8Click() {
    data::Dataset& rows = *CompositionRowsQuery;
    if (!rows.isEmpty()) rows.remove();
}

void TForm12::BitBtn1Click() {
    // Both buffers go out in one commit; a refusal keeps them for correction.
    data::saveTogether({CompositionRowsQuery, CompositionTypeQuery});
}

bool TForm12::eventFilter(QObject* watched, QEvent* event) {
    if (watched != DBGridEh2->viewport()) return QDialog::eventFilter(watched, event);
    auto rowAt = [this](QEvent* e) {
        return DBGridEh2->rowAt(static_cast<QMouseEvent*>(e)->position().toPoint().y());
    };
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            ui::guarded(this, [&] { DBGridEh2MouseDown(rowAt(event)); });
            break;
        case QEvent::MouseMove:
            if (drag_.active) {
                const int row = rowAt(event);
                if (row >= 0) CompositionRowsQuery->moveTo(row);
            }
            break;
        case QEvent::MouseButtonRelease:
            ui::guarded(this, [&] { DBGridEh2MouseUp(rowAt(event)); });
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm12::DBGridEh2MouseDown(int row) {
    data::Dataset& rows = *CompositionRowsQuery;
    if (row >= 0) rows.moveTo(row);
    drag_.active = true;
    drag_.sourceId = rows.value("N_LIPR").toInt();
    drag_.sourcePosition = rows.value("NPP").toInt();
    QApplication::setOverrideCursor(Qt::PointingHandCursor);
}

void TForm12::DBGridEh2MouseUp(int row) {
    if (!drag_.active) return;
    drag_.active = false;
    QApplication::restoreOverrideCursor();
    data::Dataset& rows = *CompositionRowsQuery;
    if (row >= 0) rows.moveTo(row);
    const int targetId = rows.value("N_LIPR").toInt();
    const int s = drag_.sourcePosition;
    const int t = rows.value("NPP").toInt();
    const QString type = CompositionTypeQuery->value("N_LISSL").toString();
    if (s == t || s == 0 || t == 0) return;
    runStatement(QStringLiteral("update lab_issl_priz lp set  lp.npp=%1 Where lp.n_lipr=%2")
                     .arg(t)
                     .arg(drag_.sourceId));
    if (s > t) {
        runStatement(
            QStringLiteral("update lab_issl_priz lp set  lp.npp=lp.npp+1 Where ((lp.npp > %1) or "
                           "(lp.n_lipr=%2))   and lp.n_lissl=%3")
                .arg(t)
                .arg(targetId)
                .arg(type));
    } else {
        runStatement(
            QStringLiteral("update lab_issl_priz lp set  lp.npp=lp.npp-1 Where ((lp.npp between %1 "
                           "and %2)                or (lp.n_lipr=%3))   and lp.n_lissl=%4")
                .arg(s + 1)
                .arg(t - 1)
                .arg(targetId)
                .arg(type));
    }
    rows.transaction().commitRetaining();
    rows.close();
    rows.open();
}
