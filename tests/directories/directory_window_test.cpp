#include <gtest/gtest.h>

#include <QTest>

#include <QSignalSpy>

#include <QHeaderView>
#include <QStyle>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include "data/session.h"
#include "directories/directory_window.h"
#include "journal/journal_page.h"
#include "support/program.h"
#include "support/scripted_dialogs.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::Program;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

// The doctors as the directory lists them: by FIO in the database's order ("Ё" first).
const QStringList kDoctors = {QStringLiteral("Ёлкина"), QStringLiteral("Андреева"),
                              QStringLiteral("Белов")};

class DirectoryTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(
            QStringList{"insert into RECV_ST (COD) values (1)",
                        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')",
                        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Поликлиника')",
                        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
                        "insert into SP_VR (COD_VR, FIO) values (1, 'Андреева')",
                        "insert into SP_VR (COD_VR, FIO) values (2, 'Белов')",
                        "insert into SP_VR (COD_VR, FIO) values (3, 'Ёлкина')",
                        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_VR, DAT_ISSLED, FAM) "
                        "values (1, 1, 2, 2, '2026-12-09', 'Иванов')",
                        "set generator GEN_SP_VR_ID to 10", "set generator GEN_SP_LPU_ID to 10"});
    }

    MainWindow& form() { return *(*program_)->mainWindow; }
    LabData& labData() { return *(*program_)->labData; }
    DirectoryWindow& window() { return *(*program_)->directoryWindow; }
    ui::DatasetModel& grid() { return *window().grid->datasetModel(); }
    QStringList titles() {
        QStringList list;
        for (int c = 0; c < grid().columnCount(); ++c)
            list << grid().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return list;
    }
    QStringList column(int c) {
        QStringList list;
        for (int r = 0; r < grid().rowCount(); ++r)
            list << grid().data(grid().index(r, c), Qt::DisplayRole).toString();
        return list;
    }
    // Opens a directory through its menu command; body runs while the window is shown.
    void withDirectory(QAction* command, const std::function<void()>& body) {
        dialogs_.whileShown([command] { command->trigger(); }, [&](QDialog*) { body(); });
    }
    void type(int row, int col, const QString& text) {
        ASSERT_TRUE(grid().setData(grid().index(row, col), text, Qt::EditRole));
    }
};

TEST_F(DirectoryTest, ColumnsAreRebuiltForEachDirectory) {
    withDirectory(form().doctorsAction, [&] {
        EXPECT_EQ(window().windowTitle(), QStringLiteral("Справочник врачей"));
        EXPECT_EQ(session().directoryKind, DirectoryKind::Doctors);
        EXPECT_EQ(titles(), QStringList{QStringLiteral("Ф.И.О.")});
        EXPECT_EQ(column(0), kDoctors);
    });
    withDirectory(form().indicatorsAction, [&] {
        EXPECT_EQ(titles(), (QStringList{QStringLiteral("Наименование"), QStringLiteral("Ед.изм."),
                                         QStringLiteral("Норма"), QStringLiteral("Код"),
                                         QStringLiteral("Норма времени для врача (мин)"),
                                         QStringLiteral("Норма времени для лаб. (мин)"),
                                         QStringLiteral("Исследование"), QStringLiteral("№пп")}));
        EXPECT_FALSE(grid().flags(grid().index(0, 6)) & Qt::ItemIsEditable)
            << "the type's name is read-only";
    });
    withDirectory(form().fundingSourcesAction, [&] {
        EXPECT_EQ(titles(), (QStringList{QStringLiteral("Наименование"),
                                         QStringLiteral("1 - по умолчанию, 0 - остальные")}));
        EXPECT_EQ(window().windowTitle(), QStringLiteral("Справочник источников финансирования"));
    });
}

TEST_F(DirectoryTest, NewDoctorIsSavedAndOffered) {
    withDirectory(form().doctorsAction, [&] {
        window().insertButton->click();
        EXPECT_EQ(labData().doctors.value("COD_VR").toInt(), 11);
        type(labData().doctors.currentRow(), 0, QStringLiteral("Григорьева"));
        window().saveButton->click();
        EXPECT_TRUE(dialogs_.messages.empty());
        EXPECT_EQ(grid().rowCount(), 4);
    });
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 11").toString(),
              QStringLiteral("Григорьева"));
}

TEST_F(DirectoryTest, SaveWithNothingChangedSendsNothingAndDoesNotCommit) {
    withDirectory(form().doctorsAction, [&] {
        db::executeSql(labData().writeTransaction,
                       "update SP_LPU set NAME = 'Не сохранено' where COD_LPU = 1");
        window().saveButton->click();
        EXPECT_EQ(db_->scalar("select NAME from SP_LPU where COD_LPU = 1").toString(),
                  QStringLiteral("Больница"));
        labData().writeTransaction.rollbackRetaining();
    });
}

TEST_F(DirectoryTest, CancelWhileInsertingUndoesEverything) {
    withDirectory(form().doctorsAction, [&] {
        type(1, 0, QStringLiteral("Андреева-Петрова"));
        window().insertButton->click();
        type(labData().doctors.currentRow(), 0, QStringLiteral("Новый"));
        window().cancelButton->click();
        EXPECT_EQ(column(0), kDoctors);
        EXPECT_FALSE(labData().doctors.updatesPending());
        window().saveButton->click();
    });
    EXPECT_EQ(db_->scalar("select count(*) from SP_VR").toInt(), 3);
}

TEST_F(DirectoryTest, FailedSaveShowsTheDatabaseMessageAndTheStoredRows) {
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update SP_VR set FIO = FIO where COD_VR = 2");
    withDirectory(form().doctorsAction, [&] {
        type(2, 0, QStringLiteral("Белов-Старший"));
        window().insertButton->click();
        type(labData().doctors.currentRow(), 0, QStringLiteral("Новый"));
        window().saveButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains("lock conflict") ||
                    dialogs_.messages[0].text.contains("deadlock"));
        EXPECT_EQ(column(0), kDoctors);
        EXPECT_FALSE(labData().doctors.updatesPending());
    });
    lock.rollback();
    EXPECT_EQ(db_->scalar("select count(*) from SP_VR").toInt(), 3);
}

TEST_F(DirectoryTest, DeletingAnInstitutionInUseIsRefused) {
    withDirectory(form().institutionsAction, [&] {
        labData().institutions.locate("COD_LPU", 2);
        dialogs_.answers = {QMessageBox::Yes};
        window().deleteButton->click();
        EXPECT_EQ(grid().rowCount(), 1);
        window().saveButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 2u);
        EXPECT_EQ(
            dialogs_.messages[1].text,
            QStringLiteral("Учреждение «Поликлиника» нельзя удалить: по нему есть исследования."));
        EXPECT_EQ(grid().rowCount(), 2);
    });
    EXPECT_EQ(db_->scalar("select count(*) from SP_LPU").toInt(), 2);
}

TEST_F(DirectoryTest, IncrementalSearchFindsPrefixesWithoutRegardToCase) {
    withDirectory(form().doctorsAction, [&] {
        data::Dataset& d = labData().doctors;
        window().grid->setCurrentIndex(window().grid->model()->index(2, 0));
        window().searchButton->click();
        EXPECT_TRUE(window().searchEdit->isVisibleTo(&window()));
        EXPECT_TRUE(window().searchLabel->isVisibleTo(&window()));
        window().searchEdit->setText(QStringLiteral("бе"));
        EXPECT_EQ(d.value("COD_VR").toInt(), 2);
        window().searchEdit->setText(QStringLiteral("ёл"));
        EXPECT_EQ(d.value("COD_VR").toInt(), 3);
        window().searchEdit->setText(QStringLiteral("лов"));
        EXPECT_EQ(d.value("COD_VR").toInt(), 3) << "letters inside a name find nothing";
        window().searchEdit->setText(QString());
        EXPECT_EQ(d.currentRow(), 0);
        window().endSearch();
        EXPECT_FALSE(window().searchEdit->isVisibleTo(&window()));
    });
}

// Closing with typing not saved asks whether to save it, whichever way the window is closed.
struct UnsavedClosingCase {
    const char* name;
    std::function<void(DirectoryWindow&)> close;
    QMessageBox::StandardButton answer;
    bool stillOpen;
    const char* stored;  // the first doctor in the database afterwards
};

void PrintTo(const UnsavedClosingCase& c, std::ostream* os) { *os << c.name; }

class DirectoryUnsavedClosingTest : public DirectoryTest,
                                    public ::testing::WithParamInterface<UnsavedClosingCase> {};

TEST_P(DirectoryUnsavedClosingTest, AsksWhetherToSave) {
    const UnsavedClosingCase& c = GetParam();
    withDirectory(form().doctorsAction, [&] {
        testing_support::typeIntoCell(window().grid, 0, 0, QStringLiteral("Черновик"));
        dialogs_.answers = {c.answer};
        c.close(window());
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Сохранить изменения?"));
        EXPECT_EQ(dialogs_.messages[0].buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(window().isVisible(), c.stillOpen);
        if (c.stillOpen) {
            EXPECT_EQ(column(0).first(), QStringLiteral("Черновик")) << "the typing stays";
            dialogs_.answers = {QMessageBox::No};  // the test's own closing
        }
    });
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 3").toString(),
              QString::fromUtf8(c.stored));
    withDirectory(form().doctorsAction, [&] {
        EXPECT_EQ(column(0).contains(QStringLiteral("Черновик")), QString(c.stored) == "Черновик");
    });
}

INSTANTIATE_TEST_SUITE_P(
    Closing, DirectoryUnsavedClosingTest,
    ::testing::Values(
        UnsavedClosingCase{"ExitButtonYesSaves", [](DirectoryWindow& w) { w.exitButton->click(); },
                           QMessageBox::Yes, false, "Черновик"},
        UnsavedClosingCase{"EscapeNoDrops",
                           [](DirectoryWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); },
                           QMessageBox::No, false, "Ёлкина"},
        UnsavedClosingCase{"CloseBoxCancelStays", [](DirectoryWindow& w) { w.close(); },
                           QMessageBox::Cancel, true, "Ёлкина"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DirectoryTest, EveryDirectorysTitlesFitTheirColumnsWhole) {
    for (QAction* MainWindow::*command :
         {&MainWindow::institutionsAction, &MainWindow::departmentsAction,
          &MainWindow::fundingSourcesAction, &MainWindow::doctorsAction,
          &MainWindow::labAssistantsAction, &MainWindow::investigationTypesAction,
          &MainWindow::indicatorsAction}) {
        withDirectory(form().*command, [&] {
            QHeaderView* header = window().grid->horizontalHeader();
            const QFontMetrics metrics(header->font());
            const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c)) continue;
                const QString title = titles().at(c);
                const int room = header->sectionSize(c) - 2 * margin;
                for (const QString& word : title.split(' ', Qt::SkipEmptyParts))
                    EXPECT_LE(metrics.horizontalAdvance(word), room)
                        << window().windowTitle().toStdString() << ": " << title.toStdString();
                const QRect text = metrics.boundingRect(QRect(0, 0, room, 1000),
                                                        Qt::TextWordWrap | Qt::AlignCenter, title);
                EXPECT_LE(text.height(), header->height() - 2 * margin)
                    << window().windowTitle().toStdString() << ": " << title.toStdString();
            }
        });
    }
}

TEST_F(DirectoryTest, ATitleCutByANarrowedColumnReadsWholeAsATooltip) {
    withDirectory(form().fundingSourcesAction, [&] {
        QHeaderView* header = window().grid->horizontalHeader();
        const QString title = QStringLiteral("1 - по умолчанию, 0 - остальные");
        ASSERT_EQ(titles().at(1), title);
        EXPECT_EQ(testing_support::tooltipOfSection(header, 1), QString()) << "the title fits";
        // The user drags the column's right edge until its longest word no longer fits.
        header->resizeSection(1, QFontMetrics(header->font()).horizontalAdvance("умолчанию,") / 2);
        EXPECT_EQ(testing_support::tooltipOfSection(header, 1), title);
        EXPECT_EQ(testing_support::tooltipOfSection(header, 0), QString())
            << "a title that fits has none";
    });
}

TEST_F(DirectoryTest, APathCutByTheGridsEdgeReadsWholeAsATooltip) {
    const QString path = QStringLiteral("/srv/lab/Поликлиника.fdb");
    db_->exec("update SP_LPU set PATH = :path where COD_LPU = 2", {{"path", path}});
    withDirectory(form().institutionsAction, [&] {
        ui::DbGrid* grid = window().grid;
        window().resize(window().minimumSizeHint().width(), window().height());
        QApplication::processEvents();
        const int row = column(0).indexOf(QStringLiteral("Поликлиника"));
        ASSERT_GE(row, 0);
        const int pathColumn = 1;
        ASSERT_EQ(titles().at(pathColumn), QStringLiteral("Путь к базе данных"));
        const QRect cell = grid->visualRect(grid->model()->index(row, pathColumn));
        const int pathWidth = QFontMetrics(grid->font()).horizontalAdvance(path);
        ASSERT_LT(pathWidth + 8, cell.width()) << "the path fits its column";
        ASSERT_GT(cell.left() + pathWidth, grid->viewport()->width())
            << "but the narrowed window cuts it";
        EXPECT_EQ(testing_support::tooltipOfCell(grid, row, pathColumn), path);
        // Scrolled to the path's column the whole path shows and needs no tooltip.
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        ASSERT_LE(grid->visualRect(grid->model()->index(row, pathColumn)).left() + pathWidth + 8,
                  grid->viewport()->width());
        EXPECT_EQ(testing_support::tooltipOfCell(grid, row, pathColumn), QString());
    });
}

TEST_F(DirectoryTest, ClosingWithNothingChangedAsksNothing) {
    withDirectory(form().doctorsAction, [&] {
        window().editButton->click();  // in edit state, nothing typed
        window().exitButton->click();
        EXPECT_FALSE(window().isVisible());
    });
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(DirectoryTest, EscapeInTheSearchBoxClearsTheSearchAndKeepsTheWindow) {
    withDirectory(form().doctorsAction, [&] {
        window().searchButton->click();
        testing_support::typeText(window().searchEdit, QStringLiteral("Бел"));
        EXPECT_EQ(labData().doctors.value("FIO").toString(), QStringLiteral("Белов"));
        QTest::keyClick(window().searchEdit, Qt::Key_Escape);
        EXPECT_TRUE(window().isVisible());
        EXPECT_TRUE(window().searchEdit->text().isEmpty());
        EXPECT_FALSE(window().searchEdit->isVisible());
    });
}

TEST_F(DirectoryTest, JournalListsShowANewInstitutionAndKeepTheirPlace) {
    form().journalPage->institutionList.locate("COD_LPU", 2);
    ASSERT_EQ(labData().journal.recordCount(), 1);
    withDirectory(form().institutionsAction, [&] {
        window().insertButton->click();
        type(labData().institutions.currentRow(), 0, QStringLiteral("Амбулатория"));
        window().saveButton->click();
    });
    EXPECT_EQ(form().journalPage->institutionList.recordCount(), 3);
    EXPECT_EQ(form()
                  .journalPage->institutionList
                  .valueAt(0, form().journalPage->institutionList.fieldIndex("NAME"))
                  .toString(),
              QStringLiteral("Амбулатория"));
    EXPECT_EQ(form().journalPage->institutionList.value("COD_LPU").toInt(), 2)
        << "the journal keeps its institution";
    EXPECT_EQ(labData().journal.recordCount(), 1);
}

TEST_F(DirectoryTest, RenamedTypeShowsInTheSelectorAndTheJournalIsReread) {
    withDirectory(form().investigationTypesAction, [&] {
        EXPECT_EQ(session().directoryKind, DirectoryKind::InvestigationTypes);
        type(0, 0, QStringLiteral("ИФА ВИЧ 1/2"));
        window().saveButton->click();
    });
    EXPECT_EQ(form().journalPage->typeSelector->currentText(), QStringLiteral("ИФА ВИЧ 1/2"));
    EXPECT_EQ(session().investigationType, 1);
}

TEST_F(DirectoryTest, InsertingWhileACellIsEditedKeepsTheTextAndTheNewRow) {
    withDirectory(form().doctorsAction, [&] {
        testing_support::typeIntoCell(window().grid, 1, 0, QStringLiteral("Андреева-Смирнова"));
        window().insertButton->click();
        data::Dataset& doctors = labData().doctors;
        EXPECT_EQ(doctors.state(), data::DatasetState::Insert) << "the new row is being edited";
        EXPECT_EQ(doctors.recordCount(), 4);
        EXPECT_EQ(window().grid->currentIndex().row(), doctors.currentRow());
        EXPECT_TRUE(doctors.value("FIO").isNull()) << "the typed text stayed in its own row";
        type(doctors.currentRow(), 0, QStringLiteral("Новиков"));
        window().saveButton->click();
    });
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 1").toString(),
              QStringLiteral("Андреева-Смирнова"));
    EXPECT_EQ(db_->scalar("select count(*) from SP_VR where FIO = 'Новиков'").toInt(), 1);
}

TEST_F(DirectoryTest, MinimisedAndRestoredTheDirectoryKeepsItsEdits) {
    withDirectory(form().doctorsAction, [&] {
        type(0, 0, QStringLiteral("Черновик"));
        window().showMinimized();
        QTest::qWait(20);
        window().showNormal();
        QTest::qWait(20);
        EXPECT_EQ(column(0).first(), QStringLiteral("Черновик"));
        EXPECT_TRUE(labData().doctors.updatesPending());
        dialogs_.answers = {QMessageBox::No};
    });
}

// Closing a directory reads the journal again only when it shows what was changed there.
struct ClosingCase {
    const char* name;
    QAction* MainWindow::*command;
    bool change;
    bool reread;
};

void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.name; }

class DirectoryClosingTest : public DirectoryTest,
                             public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(DirectoryClosingTest, RereadsTheJournalOnlyAfterAChangeItShows) {
    form().journalPage->institutionList.locate("COD_LPU", 2);
    ASSERT_EQ(labData().journal.recordCount(), 1);
    QSignalSpy reads(&labData().journal, &data::Dataset::opened);
    withDirectory(form().*GetParam().command, [&] {
        if (GetParam().change) {
            window().insertButton->click();
            type(window().grid->currentIndex().row(), 0, QStringLiteral("Добавлено"));
            window().saveButton->click();
        }
    });
    EXPECT_EQ(reads.count() > 0, GetParam().reread);
    EXPECT_EQ(form().journalPage->institutionList.value("COD_LPU").toInt(), 2);
    EXPECT_EQ(labData().journal.value("N_ISSLED").toInt(), 1) << "the journal keeps its record";
}

INSTANTIATE_TEST_SUITE_P(
    Directories, DirectoryClosingTest,
    ::testing::Values(
        ClosingCase{"DoctorsUnchanged", &MainWindow::doctorsAction, false, false},
        ClosingCase{"DoctorsChanged", &MainWindow::doctorsAction, true, true},
        ClosingCase{"InstitutionsUnchanged", &MainWindow::institutionsAction, false, false},
        ClosingCase{"InstitutionsChanged", &MainWindow::institutionsAction, true, true},
        ClosingCase{"LabAssistantsChanged", &MainWindow::labAssistantsAction, true, false},
        ClosingCase{"TypesUnchanged", &MainWindow::investigationTypesAction, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
