#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "data/session.h"
#include "directories/requisites_window.h"
#include "directories/time_norms_window.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::Program;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

class WindowsTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(QStringList{
            "insert into RECV_ST (COD, NAME, NAME_FULL, ADRES, GLAV_VR, KOD_OGRN) values (1, "
            "'КДЛ', 'Лаборатория', "
            "'ул. Ленина', 'Петрова', '1026300958470')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME, NORMA_TIME_MS) values (1, "
            "'Антитела', 2.50, 10)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (2, 'gp41')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 1, 1)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 2, 1, 1)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 2, 2, 2)"});
    }

    LabData& labData() { return *(*program_)->labData; }
    MainWindow& form() { return *(*program_)->mainWindow; }
    TimeNormsWindow& norms() { return *(*program_)->timeNormsWindow; }
    void withWindow(QAction* command, const std::function<void(QDialog*)>& body) {
        dialogs_.whileShown([command] { command->trigger(); }, body);
    }
    // Opens the type list and clicks the type's line, or closes the list without a choice.
    void chooseType(const QVariant& key) {
        ui::DbLookupComboBox* selector = norms().typeSelector;
        selector->showPopup();
        QAbstractItemView* list = selector->view();
        const int row = key.isValid() ? selector->findData(key) : -1;
        if (row >= 0) {
            const QModelIndex item = list->model()->index(row, 0);
            list->scrollTo(item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(item).center());
        } else {
            selector->hidePopup();
        }
        QCoreApplication::processEvents();
        ASSERT_FALSE(list->isVisible());
    }
    void typeNorm(int row, int column, const QString& text) {
        ui::DatasetModel* m = norms().normsGrid->datasetModel();
        ASSERT_TRUE(m->setData(m->index(row, column), text, Qt::EditRole));
    }
    void type(QLineEdit* edit, const QString& text) { testing_support::typeText(edit, text); }
};

TEST_F(WindowsTest, NormsStartEmptyAndFollowTheChosenType) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        EXPECT_EQ(session().directoryKind, DirectoryKind::TimeNorms);
        EXPECT_EQ(norms().typeSelector->currentIndex(), -1);
        EXPECT_EQ(norms().normsGrid->model()->rowCount(), 0);
        EXPECT_EQ(
            norms().normsGrid->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Норма времени для врача (мин)"))
            << "titles before the first type is chosen";
        chooseType(QVariant());  // closing the list without a choice: key 0
        EXPECT_EQ(norms().normsGrid->model()->rowCount(), 0);
        chooseType(2);
        ASSERT_EQ(norms().normsGrid->model()->rowCount(), 2);
        EXPECT_EQ(norms().normsGrid->model()->data(norms().normsGrid->model()->index(0, 1),
                                                   Qt::DisplayRole),
                  "2,50");
        EXPECT_FALSE(norms().normsGrid->model()->flags(norms().normsGrid->model()->index(0, 0)) &
                     Qt::ItemIsEditable);
        typeNorm(1, 1, "3,25");
        chooseType(1);  // another type without saving drops the typing
        chooseType(2);
        EXPECT_TRUE(norms()
                        .normsGrid->model()
                        ->data(norms().normsGrid->model()->index(1, 1), Qt::DisplayRole)
                        .toString()
                        .isEmpty());
    });
    EXPECT_FALSE(labData().indicatorNorms.isActive());
    EXPECT_FALSE(labData().investigationTypes.isActive());
}

TEST_F(WindowsTest, NormsFollowATypeChosenWithTheKeys) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(1);
        const int firstTypeRows = norms().normsGrid->model()->rowCount();
        norms().typeSelector->setFocus();
        QTest::keyClick(norms().typeSelector, Qt::Key_Down);  // the list stays closed
        ASSERT_EQ(norms().typeSelector->keyValue().toInt(), 2);
        EXPECT_EQ(labData().indicatorNorms.param("n_lissl").toInt(), 2);
        EXPECT_EQ(norms().normsGrid->model()->rowCount(), 2);
        EXPECT_NE(firstTypeRows, 2) << "the fixture's types differ in their indicators";
    });
}

TEST_F(WindowsTest, NormTitlesAreReadableInFullAtTheWindowsSize) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(2);
        QHeaderView* header = norms().normsGrid->horizontalHeader();
        const QFontMetrics metrics(header->font());
        for (int c = 0; c < header->count(); ++c) {
            const QString title =
                norms().normsGrid->model()->headerData(c, Qt::Horizontal).toString();
            EXPECT_LE(header->sectionViewportPosition(c) + header->sectionSize(c),
                      norms().normsGrid->viewport()->width())
                << title.toStdString() << " is cut off at the right";
            const QRect wrapped = metrics.boundingRect(
                QRect(0, 0, header->sectionSize(c) - 8, 1000), Qt::TextWordWrap, title);
            EXPECT_GE(header->height(), wrapped.height()) << title.toStdString();
        }
    });
}

TEST_F(WindowsTest, NormsAreSharedByTheTypesOfAnIndicator) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(1);
        typeNorm(0, 1, "4,75");
        typeNorm(0, 2, "12");
        norms().saveButton->click();
        chooseType(2);
        EXPECT_EQ(norms().normsGrid->model()->data(norms().normsGrid->model()->index(0, 1),
                                                   Qt::DisplayRole),
                  "4,75");
        EXPECT_EQ(norms().normsGrid->model()->data(norms().normsGrid->model()->index(0, 2),
                                                   Qt::DisplayRole),
                  "12,00");
    });
    EXPECT_EQ(db_->scalar("select NORMA_TIME from SP_PRIZ_LAB_ISSL where N_PRLAB = 1")
                  .value<db::Decimal>()
                  .toString(),
              "4.75");
}

// A norm reads with the decimal comma in its cell and in the cell's editor; typed with the
// comma or the point it is stored as the same number.
TEST_F(WindowsTest, NormsShowTheDecimalCommaAndTakeACommaOrAPoint) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(1);
        ui::DbGrid* grid = norms().normsGrid;
        QAbstractItemModel* m = grid->model();
        EXPECT_EQ(m->data(m->index(0, 1)).toString(), "2,50");
        EXPECT_EQ(m->data(m->index(0, 2)).toString(), "10,00");
        struct Typed {
            int column;
            const char* text;
        };
        for (const Typed& t : {Typed{1, "1,75"}, Typed{2, "1.75"}}) {
            QLineEdit* editor = testing_support::openCellEditor(
                grid, 0, t.column, testing_support::CellEditorOpening::ByF2);
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->text(), t.column == 1 ? "2,50" : "10,00");
            testing_support::typeText(editor, QString::fromLatin1(t.text));
            QTest::keyClick(editor, Qt::Key_Return);
        }
        norms().saveButton->click();
        EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
        EXPECT_EQ(m->data(m->index(0, 1)).toString(), "1,75");
        EXPECT_EQ(m->data(m->index(0, 2)).toString(), "1,75");
    });
    const auto stored =
        db_->rows("select NORMA_TIME, NORMA_TIME_MS from SP_PRIZ_LAB_ISSL where N_PRLAB = 1");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.at(0).at(0).value<db::Decimal>(), db::Decimal(175, 2));
    EXPECT_EQ(stored.at(0).at(1).value<db::Decimal>(), db::Decimal(175, 2));
}

TEST_F(WindowsTest, NormsSaveCommitsEvenWithNothingTypedAndKeepsARefusedValue) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(2);
        db::executeSql(labData().writeTransaction,
                       "update SP_TARVIK set COD = 'ИБ' where N_LISSL = 2");
        norms().saveButton->click();
        EXPECT_EQ(db_->scalar("select COD from SP_TARVIK where N_LISSL = 2").toString(),
                  QStringLiteral("ИБ"));
        typeNorm(1, 1, "99999999,5");  // more than NUMERIC(9,2) holds
        norms().saveButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains("overflow"))
            << dialogs_.messages[0].text.toStdString();
        EXPECT_EQ(norms().normsGrid->model()->data(norms().normsGrid->model()->index(1, 1),
                                                   Qt::DisplayRole),
                  "99999999,50");
        typeNorm(1, 1, "1,5");
        norms().saveButton->click();
    });
    EXPECT_EQ(db_->scalar("select NORMA_TIME from SP_PRIZ_LAB_ISSL where N_PRLAB = 2")
                  .value<db::Decimal>()
                  .toString(),
              "1.50");
}

TEST_F(WindowsTest, NormsTypedAndNotSavedAreSavedWhenTheClosingQuestionSaysYes) {
    withWindow(form().timeNormsAction, [&](QDialog*) {
        chooseType(2);
        testing_support::typeIntoCell(norms().normsGrid, 1, 1, QStringLiteral("4,25"));
        dialogs_.answers = {QMessageBox::Yes};
        QTest::keyClick(&norms(), Qt::Key_Escape);
        EXPECT_FALSE(norms().isVisible());
    });
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(db_->scalar("select NORMA_TIME from SP_PRIZ_LAB_ISSL where N_PRLAB = 2")
                  .value<db::Decimal>()
                  .toString(),
              "4.25");
}

TEST_F(WindowsTest, EnterOnTheFocusedSaveButtonSavesAndEscapeThenLosesNothing) {
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* window = static_cast<RequisitesWindow*>(d);
        QApplication::setActiveWindow(window);
        type(window->headEdit, QStringLiteral("Сидорова"));
        window->saveButton->setFocus();
        ASSERT_TRUE(window->saveButton->hasFocus());
        QTest::keyClick(window->saveButton, Qt::Key_Return);
        EXPECT_EQ(db_->scalar("select GLAV_VR from RECV_ST").toString(),
                  QStringLiteral("Сидорова"));
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
    });
    EXPECT_TRUE(dialogs_.messages.empty()) << "nothing was left to ask about";
    EXPECT_EQ(db_->scalar("select GLAV_VR from RECV_ST").toString(), QStringLiteral("Сидорова"));
}

TEST_F(WindowsTest, RequisitesSaveWhatWasTypedOnly) {
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* window = static_cast<RequisitesWindow*>(d);
        EXPECT_EQ(window->fullNameEdit->text(), QStringLiteral("Лаборатория"));
        EXPECT_EQ(window->fullNameEdit->maxLength(), 255);
        db::executeSql(labData().writeTransaction,
                       "update SP_TARVIK set COD = 'X' where N_LISSL = 1");
        window->saveButton->click();  // nothing typed: nothing sent, nothing committed
        EXPECT_TRUE(db_->scalar("select COD from SP_TARVIK where N_LISSL = 1").isNull());
        labData().writeTransaction.rollbackRetaining();
        type(window->fullNameEdit, QStringLiteral("Клинико-диагностическая лаборатория"));
        window->saveButton->click();
    });
    EXPECT_EQ(db_->scalar("select NAME_FULL from RECV_ST").toString(),
              QStringLiteral("Клинико-диагностическая лаборатория"));
    EXPECT_EQ(db_->scalar("select KOD_OGRN from RECV_ST").toString(), "1026300958470")
        << "written back unchanged";
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Лаборатория"))
        << "the caption changes at the next start";
}

TEST_F(WindowsTest, RequisitesWindowIsMadeAgainAfterClosingAndDropsTypingWhenAsked) {
    QPointer<RequisitesWindow> first = form().requisitesWindow();
    withWindow(form().requisitesAction, [&](QDialog* d) {
        type(static_cast<RequisitesWindow*>(d)->shortNameEdit, QStringLiteral("Другое"));
        dialogs_.answers = {QMessageBox::No};
    });
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Сохранить изменения?"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "destroyed when closed";
    EXPECT_EQ(db_->scalar("select NAME from RECV_ST").toString(), QStringLiteral("КДЛ"));
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* again = qobject_cast<RequisitesWindow*>(d);
        ASSERT_NE(again, nullptr) << "the menu shows a requisites window";
        EXPECT_EQ(again, form().requisitesWindow()) << "the one made anew";
        EXPECT_EQ(again->shortNameEdit->text(), QStringLiteral("КДЛ"));
    });
}

TEST_F(WindowsTest, RequisitesCannotBeStoredWithoutTheirRow) {
    db_->exec("delete from RECV_ST");
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* window = static_cast<RequisitesWindow*>(d);
        ASSERT_EQ(dialogs_.messages.size(), 1u) << "said when the window opens";
        EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("нет строки реквизитов")));
        EXPECT_TRUE(window->shortNameEdit->text().isEmpty());
        EXPECT_TRUE(window->shortNameEdit->isReadOnly()) << "nothing to type into";
        type(window->shortNameEdit, QStringLiteral("КДЛ"));
        window->saveButton->click();
        EXPECT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(window->shortNameEdit->text().isEmpty()) << "the fields show what is stored";
    });
    EXPECT_EQ(db_->scalar("select count(*) from RECV_ST").toInt(), 0);
}

}  // namespace
