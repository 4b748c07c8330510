// Hostile texts typed into the directories' grids and into the requisites. Each is stored as typed
// or refused with a message naming the field, nothing stored and the typing left in place; no
// other row of the database changes. Every text cell of every directory takes no more characters
// than its column holds.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "directories/directory_window.h"
#include "directories/requisites_window.h"
#include "journal/main_window.h"
#include "support/hostile_texts.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"

using testing_support::DatabasePicture;
using testing_support::HostileText;

namespace {

class DirectoryInput : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(QStringList{
            "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
            "insert into SP_LPU (COD_LPU, NAME, PATH) values (1, 'Больница', '/srv/reg.fdb')",
            "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Терапия')",
            "insert into SP_IST_FIN (N_IFIN, NAME, PR_UM) values (1, 'ОМС', '1')",
            "insert into SP_VR (COD_VR, FIO) values (1, 'Андреева')",
            "insert into SP_VR (COD_VR, FIO) values (2, 'Белов')",
            "insert into SP_MS (COD_MS, FIO) values (1, 'Сидорова')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP, COD, SHABLON) values (1, 'ИФА ВИЧ', 1, "
            "'ИФА', 'ifa.xlt')",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA, COD) values (20, "
            "'Антитела', 'ОП', 'отр', 'АТ')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)"});
    }
    MainWindow& form() { return *(*program_)->mainWindow; }
    DirectoryWindow& directory() { return *(*program_)->directoryWindow; }
    // Runs body while the window a menu command opens is shown and active.
    void withWindow(QAction* command, const std::function<void(QDialog*)>& body) {
        dialogs_.whileShown([command] { command->trigger(); },
                            [&](QDialog* d) {
                                d->activateWindow();
                                ASSERT_TRUE(QTest::qWaitForWindowActive(d));
                                body(d);
                            });
    }
    // The characters a column of a table holds, as the database declares it.
    int columnLength(const QString& table, const QString& column) {
        return db_
            ->scalar(
                "select f.rdb$character_length from rdb$relation_fields r join "
                "rdb$fields f on f.rdb$field_name = r.rdb$field_source where "
                "r.rdb$relation_name = :t and r.rdb$field_name = :c",
                {{"t", table}, {"c", column}})
            .toInt();
    }
};

// --- a directory grid

class DoctorInput : public DirectoryInput, public ::testing::WithParamInterface<HostileText> {};

TEST_P(DoctorInput, IsStoredAsTypedOrRefusedByTheColumnsTitle) {
    const HostileText& text = GetParam();
    const DatabasePicture before(*db_);
    const QString typed = testing_support::entered(text, 55);
    withWindow(form().doctorsAction, [&](QDialog*) {
        ui::DbGrid* grid = directory().grid;
        ASSERT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(),
                  QStringLiteral("Ф.И.О."));
        ASSERT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Андреева"));
        QLineEdit* editor = testing_support::enterIntoCell(grid, 0, 0, text);
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->text(), typed) << "the cell takes as much as the column holds";
        directory().saveButton->click();
        if (!text.outside.isEmpty()) {
            EXPECT_EQ(dialogs_.texts(),
                      QStringList{testing_support::refusal(QStringLiteral("Ф.И.О."), text)});
            EXPECT_TRUE(editor->isVisible()) << "the cell stays open";
            EXPECT_EQ(editor->text(), typed) << "with the typing in it";
            // "Отменить" still drops it.
            directory().cancelButton->click();
            EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Андреева"));
            EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join("; ").toStdString();
        }
    });
    const DatabasePicture after(*db_);
    if (!text.outside.isEmpty()) {
        DatabasePicture::expectUnchanged(before, after);
        return;
    }
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 1"),
              testing_support::storedValue(typed));
    DatabasePicture::expectOnlyCellChanged(before, after, "SP_VR", "1", "FIO");
}

INSTANTIATE_TEST_SUITE_P(Corpus, DoctorInput, ::testing::ValuesIn(testing_support::hostileTexts()),
                         [](const auto& info) { return info.param.name; });

TEST_F(DirectoryInput, EveryTextCellTakesNoMoreThanItsColumn) {
    const std::vector<std::pair<QAction*, QString>> directories = {
        {form().institutionsAction, "SP_LPU"},
        {form().departmentsAction, "SP_OTD"},
        {form().fundingSourcesAction, "SP_IST_FIN"},
        {form().doctorsAction, "SP_VR"},
        {form().labAssistantsAction, "SP_MS"},
        {form().investigationTypesAction, "SP_TARVIK"},
        {form().indicatorsAction, "SP_PRIZ_LAB_ISSL"}};
    int checked = 0;
    for (const auto& [action, table] : directories) {
        withWindow(action, [&](QDialog*) {
            ui::DbGrid* grid = directory().grid;
            ui::DatasetModel* model = grid->datasetModel();
            for (int c = 0; c < model->columnCount(); ++c) {
                const int f = model->fieldIndexOfColumn(c);
                if (f < 0 || !(model->flags(model->index(0, c)) & Qt::ItemIsEditable)) continue;
                const data::Field& field = model->dataset()->fields()[f];
                if (!field.isText()) continue;
                QLineEdit* editor = testing_support::enterIntoCell(
                    grid, 0, c,
                    testing_support::hostileText("Long", testing_support::longText(),
                                                 testing_support::Entry::Pasted));
                ASSERT_TRUE(editor);
                const int length = columnLength(table, field.name);
                ASSERT_GT(length, 0) << table.toStdString() << "." << field.name.toStdString();
                EXPECT_EQ(editor->text().size(), length)
                    << table.toStdString() << "." << field.name.toStdString();
                QTest::keyClick(editor, Qt::Key_Escape);
                ++checked;
            }
            directory().cancelButton->click();
        });
    }
    EXPECT_EQ(checked, 14) << "every text column of the seven directories";
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
}

// --- the requisites

class RequisitesInput : public DirectoryInput, public ::testing::WithParamInterface<HostileText> {};

TEST_P(RequisitesInput, IsStoredAsTypedOrRefusedByTheFieldsCaption) {
    const HostileText& text = GetParam();
    const DatabasePicture before(*db_);
    const QString typed = testing_support::entered(text, 40);
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* window = static_cast<RequisitesWindow*>(d);
        ui::DbEdit* edit = window->shortNameEdit;
        testing_support::enter(edit, text);
        EXPECT_EQ(edit->text(), typed) << "the edit takes as much as the column holds";
        QTest::keyClick(edit, Qt::Key_Tab);
        window->saveButton->click();
        if (!text.outside.isEmpty()) {
            const QString refusal =
                testing_support::refusal(QStringLiteral("Краткое наименование"), text);
            EXPECT_EQ(dialogs_.texts(), (QStringList{refusal, refusal}))
                << "once when the edit is left, once more when saving";
            EXPECT_EQ(edit->text(), typed) << "the typing stays to be corrected";
        } else {
            EXPECT_EQ(edit->text(), typed);
        }
    });
    const DatabasePicture after(*db_);
    if (!text.outside.isEmpty()) {
        DatabasePicture::expectUnchanged(before, after);
        return;
    }
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select NAME from RECV_ST"), testing_support::storedValue(typed));
    DatabasePicture::expectOnlyCellChanged(before, after, "RECV_ST", "1", "NAME");
}

INSTANTIATE_TEST_SUITE_P(Corpus, RequisitesInput,
                         ::testing::ValuesIn(testing_support::hostileTexts()),
                         [](const auto& info) { return info.param.name; });

TEST_F(DirectoryInput, EveryRequisiteTakesNoMoreThanItsColumn) {
    withWindow(form().requisitesAction, [&](QDialog* d) {
        auto* window = static_cast<RequisitesWindow*>(d);
        const std::vector<std::pair<ui::DbEdit*, QString>> edits = {
            {window->shortNameEdit, "NAME"},
            {window->fullNameEdit, "NAME_FULL"},
            {window->addressEdit, "ADRES"},
            {window->headEdit, "GLAV_VR"}};
        for (const auto& [edit, column] : edits) {
            testing_support::typeText(edit, testing_support::longText());
            EXPECT_EQ(edit->text().size(), columnLength("RECV_ST", column)) << column.toStdString();
        }
        window->saveButton->click();
    });
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select NAME || NAME_FULL || ADRES || GLAV_VR from RECV_ST").toString(),
              testing_support::longText().left(40) + testing_support::longText().left(255) +
                  testing_support::longText().left(40) + testing_support::longText().left(40));
}

}  // namespace
