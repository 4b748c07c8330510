#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "data/session.h"
#include "directories/composition_window.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "support/program.h"
#include "support/scripted_dialogs.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"
#include "ui/dialogs.h"

using testing_support::Program;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

// Type 1 has indicators 11..15 at positions 1..5; type 2 has indicators 21..24 at 1..4;
// type 3 has one row at position 7; type 4 has a row without a position.
QStringList fixture() {
    QStringList sql = {
        "insert into RECV_ST (COD) values (1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'Пять', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Четыре', 2)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (3, 'До семи', 3)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (4, 'Без позиции', 4)",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (99, 'Новый показатель')",
        "set generator GEN_LAB_ISSL_PRIZ_ID to 100",
        "set generator GEN_SP_TARVIK_ID to 10"};
    for (int i = 1; i <= 5; ++i)
        sql << QStringLiteral("insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (%1, 'П%1')")
                   .arg(10 + i)
            << QStringLiteral(
                   "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (%1, 1, %1, "
                   "%2)")
                   .arg(10 + i)
                   .arg(i);
    for (int i = 1; i <= 4; ++i)
        sql << QStringLiteral("insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (%1, 'П%1')")
                   .arg(20 + i)
            << QStringLiteral(
                   "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (%1, 2, %1, "
                   "%2)")
                   .arg(20 + i)
                   .arg(i);
    sql << "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (31, 3, 11, 7)"
        << "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (41, 4, 11, null)"
        << "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (42, 4, 12, 1)";
    return sql;
}

class CompositionTest : public testing_support::ProgramTest {
protected:
    void SetUp() override { start(fixture()); }

    LabData& labData() { return *(*program_)->labData; }
    CompositionWindow& window() { return *(*program_)->compositionWindow; }
    void withWindow(const std::function<void()>& body) {
        dialogs_.whileShown([this] { (*program_)->mainWindow->compositionAction->trigger(); },
                            [&](QDialog*) { body(); });
    }
    int rowOfPosition(int npp) {
        data::Dataset& rows = labData().composition;
        for (int r = 0; r < rows.recordCount(); ++r)
            if (rows.valueAt(r, rows.fieldIndex("NPP")).toInt() == npp) return r;
        ADD_FAILURE() << "no row at " << npp;
        return -1;
    }
    // A drag with the mouse from one row of the composition grid to another.
    void dragWithTheMouse(int fromRow, int toRow) {
        QWidget* viewport = window().compositionGrid->viewport();
        auto centre = [&](int row) {
            return QPoint(5, window().compositionGrid->rowViewportPosition(row) +
                                 window().compositionGrid->rowHeight(row) / 2);
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(fromRow));
        for (int row = fromRow; row != toRow; row += toRow > fromRow ? 1 : -1) {
            const QPoint at = centre(row + (toRow > fromRow ? 1 : -1));
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(toRow));
    }
    // The rows the composition grid shows highlighted.
    QList<int> highlightedRows() {
        QList<int> rows;
        for (const QModelIndex& i : window().compositionGrid->selectionModel()->selectedIndexes())
            if (!rows.contains(i.row())) rows << i.row();
        return rows;
    }
    // "indicator:position" for every row of a type, by indicator.
    QString positions(int type) {
        QStringList list;
        for (const auto& r :
             db_->rows(QStringLiteral("select N_PRLAB, NPP from LAB_ISSL_PRIZ where N_LISSL = %1 "
                                      "order by N_PRLAB")
                           .arg(type)))
            list << r[0].toString() + ":" + r[1].toString();
        return list.join(' ');
    }
};

struct MoveCase {
    int type;
    int from;  // position of the dragged row
    int to;    // position of the row it is dropped on
    const char* expected;
};

TEST_F(CompositionTest, DraggingRenumbersAsTheStatementsDo) {
    const MoveCase cases[] = {
        {1, 2, 4, "11:1 12:4 13:2 14:3 15:5"},  // down: the rows between move up by one
        {1, 4, 2, "11:1 12:3 13:4 14:2 15:6"},  // up: every row after the target moves down
        {2, 3, 1, "21:2 22:3 23:1 24:5"},
        {2, 1, 4, "21:4 22:1 23:2 24:3"},
    };
    for (const MoveCase& c : cases) {
        TearDown();  // each move on a fresh database
        SetUp();
        QStringList othersBefore;
        for (int type = 1; type <= 4; ++type)
            if (type != c.type) othersBefore << positions(type);
        withWindow([&] {
            ASSERT_TRUE(labData().investigationTypes.locate("N_LISSL", c.type));
            window().startDrag(rowOfPosition(c.from));
            window().dropOn(rowOfPosition(c.to));
            EXPECT_EQ(labData().composition.currentRow(), 0) << "the list is read again";
        });
        EXPECT_EQ(positions(c.type), c.expected) << c.from << " -> " << c.to;
        QStringList othersAfter;
        for (int type = 1; type <= 4; ++type)
            if (type != c.type) othersAfter << positions(type);
        EXPECT_EQ(othersAfter, othersBefore) << "other types keep their positions";
    }
}

TEST_F(CompositionTest, AnIndicatorAddedAfterADragGoesAfterTheLastRow) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 1);
        // Up from 4 onto 2: every row after the target moves down, the last to 6.
        dragWithTheMouse(rowOfPosition(4), rowOfPosition(2));
        labData().indicators.locate("N_PRLAB", 99);
        window().addIndicatorButton->click();
    });
    EXPECT_EQ(positions(1), "11:1 12:3 13:4 14:2 15:6 99:7");
    EXPECT_EQ(db_->scalar("select count(*) from (select NPP from LAB_ISSL_PRIZ where N_LISSL = 1 "
                          "group by NPP having count(*) > 1)")
                  .toInt(),
              0)
        << "no position twice";
}

TEST_F(CompositionTest, AfterADropTheHighlightedRowIsTheOneRemoved) {
    QString highlighted;
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 2);
        dragWithTheMouse(0, 3);  // 21 onto 24, the last row
        ASSERT_EQ(highlightedRows().size(), 1);
        const int row = highlightedRows().front();
        EXPECT_EQ(row, labData().composition.currentRow())
            << "the row shown highlighted is the one the commands act on";
        EXPECT_EQ(window().compositionGrid->currentIndex().row(), row);
        highlighted = window().compositionGrid->model()->index(row, 0).data().toString();
        window().removeIndicatorButton->click();
    });  // closing saves the removal
    const auto names = db_->rows(
        "select p.NAME from LAB_ISSL_PRIZ lp join SP_PRIZ_LAB_ISSL p on p.N_PRLAB = lp.N_PRLAB "
        "where lp.N_LISSL = 2 order by lp.NPP");
    ASSERT_EQ(names.size(), 3u);
    for (const auto& r : names) EXPECT_NE(r[0].toString(), highlighted);
    EXPECT_EQ(positions(2).split(' ').size(), 3);
}

TEST_F(CompositionTest, DroppingOnItselfOrOnAnUnplacedRowChangesNothing) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 1);
        window().startDrag(rowOfPosition(3));
        window().dropOn(rowOfPosition(3));
        labData().investigationTypes.locate("N_LISSL", 4);
        window().startDrag(0);  // the row without a position comes first
        window().dropOn(1);
        window().startDrag(1);
        window().dropOn(0);
    });
    EXPECT_EQ(positions(1), "11:1 12:2 13:3 14:4 15:5");
    EXPECT_EQ(positions(4), "11: 12:1");
}

TEST_F(CompositionTest, DraggingWithTheMouse) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 2);
        QWidget* viewport = window().compositionGrid->viewport();
        auto centre = [&](int row) {
            return QPoint(5, window().compositionGrid->rowViewportPosition(row) +
                                 window().compositionGrid->rowHeight(row) / 2);
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(0));
        QMouseEvent move(QEvent::MouseMove, centre(3), viewport->mapToGlobal(centre(3)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(3));
    });
    EXPECT_EQ(positions(2), "21:4 22:1 23:2 24:3");
}

TEST_F(CompositionTest, NewIndicatorGoesAfterTheLastPosition) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 3);
        EXPECT_EQ(session().lastCompositionPosition, 7);
        labData().indicators.locate("N_PRLAB", 99);
        window().addIndicatorButton->click();
        EXPECT_EQ(labData().composition.recordCount(), 2);
        window().addIndicatorButton->click();
    });
    EXPECT_EQ(positions(3), "11:7 99:8 99:9");
}

TEST_F(CompositionTest, RemovedRowComesBackWhenAnotherIsDragged) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 1);
        labData().composition.moveTo(rowOfPosition(5));
        window().removeIndicatorButton->click();
        EXPECT_EQ(labData().composition.recordCount(), 4);
        window().startDrag(rowOfPosition(1));
        window().dropOn(rowOfPosition(2));
        EXPECT_EQ(labData().composition.recordCount(), 5) << "the removal was not saved";
        labData().composition.moveTo(rowOfPosition(5));
        dialogs_.answers = {};
    });
    EXPECT_EQ(db_->scalar("select count(*) from LAB_ISSL_PRIZ where N_LISSL = 1").toInt(), 5);
}

TEST_F(CompositionTest, RemovalIsSavedByTheNextAddition) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 2);
        labData().composition.moveTo(rowOfPosition(2));
        window().removeIndicatorButton->click();
        labData().indicators.locate("N_PRLAB", 99);
        window().addIndicatorButton->click();
    });
    EXPECT_EQ(positions(2), "21:1 23:3 24:4 99:5");
}

TEST_F(CompositionTest, ClosingSavesEditsAndARefusedSaveKeepsThem) {
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update SP_TARVIK set NAME = NAME where N_LISSL = 2");
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 2);
        labData().investigationTypes.edit();
        labData().investigationTypes.setValue("NAME", QStringLiteral("Иммуноблот"));
        labData().composition.first();
        window().removeIndicatorButton->click();
        window().saveButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains("lock conflict") ||
                    dialogs_.messages[0].text.contains("deadlock"));
        EXPECT_TRUE(labData().investigationTypes.updatesPending()) << "kept for another attempt";
        EXPECT_TRUE(labData().composition.updatesPending());
        EXPECT_EQ(positions(2), "21:1 22:2 23:3 24:4") << "nothing committed";
        lock.rollback();
    });
    EXPECT_EQ(db_->scalar("select NAME from SP_TARVIK where N_LISSL = 2").toString(),
              QStringLiteral("Иммуноблот"));
    EXPECT_EQ(positions(2), "22:2 23:3 24:4");
}

TEST_F(CompositionTest, TypesAreAddedAndOnlyUnusedOnesRemoved) {
    withWindow([&] {
        window().addTypeButton->click();
        EXPECT_EQ(labData().composition.recordCount(), 0) << "the new type's composition is empty";
        labData().investigationTypes.edit();
        labData().investigationTypes.setValue("NAME", QStringLiteral("Новый вид"));
        labData().investigationTypes.locate("N_LISSL", 1);
        EXPECT_EQ(labData().composition.recordCount(), 5)
            << "another type shows its composition at once";
        window().deleteTypeButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("нельзя удалить")));
        EXPECT_EQ(labData().investigationTypes.recordCount(), 5);
    });
    EXPECT_EQ(db_->scalar("select count(*) from SP_TARVIK").toInt(), 5);
    EXPECT_EQ(db_->scalar("select count(*) from SP_TARVIK where NAME = 'Новый вид'").toInt(), 1);
    EXPECT_GE(
        (*program_)->mainWindow->journalPage->typeSelector->findText(QStringLiteral("Новый вид")),
        0)
        << "the journal's type list shows the new type";
    EXPECT_FALSE(labData().composition.isActive()) << "the menu closes the datasets afterwards";
}

TEST_F(CompositionTest, ClosingWithTheBoxWhileACellIsEditedSavesTheText) {
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 2);
        testing_support::typeIntoCell(window().typesGrid, 1, 0, QStringLiteral("Иммуноблот"));
        window().close();  // the window's close box
    });
    EXPECT_EQ(db_->scalar("select NAME from SP_TARVIK where N_LISSL = 2").toString(),
              QStringLiteral("Иммуноблот"));
}

TEST_F(CompositionTest, ATypeIsStoredWhenShownAndARefusedRemovalLeavesItWhole) {
    withWindow([&] {
        window().addTypeButton->click();
        EXPECT_FALSE(labData().investigationTypes.updatesPending()) << "stored at once";
        labData().writeTransaction.rollbackRetaining();  // a refusal elsewhere
        EXPECT_EQ(db_->scalar("select count(*) from SP_TARVIK where N_LISSL = 11").toInt(), 1);

        // Another workstation removes the new type; changing it here is then an error.
        db_->exec("delete from SP_TARVIK where N_LISSL = 11");
        labData().investigationTypes.locate("N_LISSL", 11);
        labData().investigationTypes.edit();
        labData().investigationTypes.setValue("NAME", QStringLiteral("Пропавший"));
        window().saveButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("другой рабочей станции")))
            << dialogs_.messages[0].text.toStdString();
        labData().investigationTypes.cancelUpdates();
    });
    EXPECT_EQ(positions(1), "11:1 12:2 13:3 14:4 15:5") << "the composition is untouched";
}

TEST_F(CompositionTest, TypingInTheTypesGridSearchesByNameAndF2Edits) {
    withWindow([&] {
        window().typesGrid->setFocus();
        // Standing in the "№ пп" column: the search is by name all the same.
        window().typesGrid->setCurrentIndex(window().typesGrid->model()->index(0, 1));
        for (QChar ch : QStringLiteral("чет")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(window().typesGrid, &press);
        }
        EXPECT_EQ(labData().investigationTypes.value("N_LISSL").toInt(), 2);
        EXPECT_FALSE(labData().investigationTypes.updatesPending()) << "typing edits nothing";
        for (auto* e : window().typesGrid->viewport()->findChildren<QLineEdit*>())
            EXPECT_FALSE(e->isVisible()) << "typing opened an editor";
        QTest::keyClick(window().typesGrid, Qt::Key_F2);
        auto editors = window().typesGrid->viewport()->findChildren<QLineEdit*>();
        ASSERT_FALSE(editors.isEmpty()) << "F2 opens the editor";
    });
}

TEST_F(CompositionTest, ARefusedRenumberingLeavesThePositionsAsStored) {
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update LAB_ISSL_PRIZ set NPP = NPP where N_LIPR = 13");
    withWindow([&] {
        labData().investigationTypes.locate("N_LISSL", 1);
        window().startDrag(rowOfPosition(4));
        // As the mouse release does: the refusal goes to the error box.
        ui::guarded(&window(), [&] { window().dropOn(rowOfPosition(2)); });
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_EQ(dialogs_.messages[0].icon, QMessageBox::Critical);
        lock.rollback();
    });  // closing the window saves and commits: nothing of the refused drag may come with it
    EXPECT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(positions(1), "11:1 12:2 13:3 14:4 15:5");
}

}  // namespace
