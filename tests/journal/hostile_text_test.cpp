// Hostile texts typed into the journal grid and into the search page's criteria. A cell's text is
// stored as typed or refused with a message naming its column; a criterion finds what holds
// exactly that text or is refused with a message naming it. No statement but the intended ones:
// no other row of the database changes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "support/hostile_texts.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

using testing_support::DatabasePicture;
using testing_support::HostileText;

namespace {

const QStringList kRegister{
    "insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA, DIAG_COD, NPP) values "
    "(1, 1, 1, '2026-12-09', 'Иванов', 'Пётр', 'B20.7', 1)"};

// --- the journal grid

class JournalCellInput : public testing_support::ProgramTest,
                         public ::testing::WithParamInterface<HostileText> {
protected:
    void SetUp() override {
        start(kRegister + QStringList{"insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, "
                                      "FAM, NPP) values (2, 1, 1, '2026-12-09', 'Петров', 2)"});
    }
    JournalPage& page() { return *(*program_)->mainWindow->journalPage; }
};

TEST_P(JournalCellInput, IsStoredAsTypedOrRefusedByTheColumnsTitle) {
    const HostileText& text = GetParam();
    ui::DbGrid* grid = page().journalGrid;
    constexpr int surname = 4;
    ASSERT_EQ(grid->model()->headerData(surname, Qt::Horizontal).toString(),
              QStringLiteral("Фамилия пациента"));
    const DatabasePicture before(*db_);

    QLineEdit* editor = testing_support::enterIntoCell(grid, 0, surname, text);
    ASSERT_TRUE(editor);
    const QString typed = testing_support::entered(text, 30);
    EXPECT_EQ(editor->text(), typed) << "the cell takes as much as the column holds";
    page().saveRecordButton->click();

    const DatabasePicture after(*db_);
    if (!text.outside.isEmpty()) {
        EXPECT_EQ(dialogs_.texts(),
                  QStringList{testing_support::refusal(QStringLiteral("Фамилия пациента"), text)});
        EXPECT_TRUE(editor->isVisible()) << "the cell stays open";
        EXPECT_EQ(editor->text(), typed) << "with the typing in it";
        EXPECT_EQ((*program_)->labData->journal.valueAt(
                      0, (*program_)->labData->journal.fieldIndex("FAM")),
                  QStringLiteral("Иванов"));
        DatabasePicture::expectUnchanged(before, after);
        return;
    }
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1"),
              testing_support::storedValue(typed));
    DatabasePicture::expectOnlyCellChanged(before, after, "ISSLED", "1", "FAM");
}

// Shows each message as a real box does: it takes the focus while it is up.
class FocusTakingDialogs : public testing_support::ScriptedDialogs {
public:
    explicit FocusTakingDialogs(QWidget* box) : box_(box) {}
    QMessageBox::StandardButton message(QWidget* parent, const ui::Message& m) override {
        box_->setFocus();
        return ScriptedDialogs::message(parent, m);
    }

private:
    QWidget* box_;
};

// While the refusal is shown its box has the focus: the cell must neither close nor take the
// stored value back in the meantime.
TEST_F(JournalCellInput, ARefusedCellStaysOpenWithTheTypingWhileTheMessageHasTheFocus) {
    ui::DbGrid* grid = page().journalGrid;
    grid->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(grid->window()));
    const DatabasePicture before(*db_);
    QStringList shown;
    QPointer<QLineEdit> editor;
    {
        FocusTakingDialogs dialogs(page().periodFrom);
        editor = testing_support::typeIntoCell(grid, 0, 4, QStringLiteral("Ли漢"));
        ASSERT_TRUE(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        shown = dialogs.texts();
    }
    ui::setDialogs(&dialogs_);
    EXPECT_EQ(shown, QStringList{QStringLiteral("Поле «Фамилия пациента» содержит символы, "
                                                "которых нет в кодировке базы данных: 漢")});
    ASSERT_TRUE(editor && editor->isVisible()) << "the cell is still open";
    EXPECT_EQ(editor->text(), QStringLiteral("Ли漢"));
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 4));
    QTest::keyClick(editor, Qt::Key_Backspace);
    page().saveRecordButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Ли"));
    DatabasePicture::expectOnlyCellChanged(before, DatabasePicture(*db_), "ISSLED", "1", "FAM");
}

INSTANTIATE_TEST_SUITE_P(Corpus, JournalCellInput,
                         ::testing::ValuesIn(testing_support::hostileTexts()),
                         [](const auto& info) { return info.param.name; });

// --- the search criteria

class CriteriaInput : public testing_support::ProgramTest {
protected:
    void startOn(const QStringList& extra) {
        start(kRegister + extra);
        (*program_)->mainWindow->findPatientAction->trigger();
        dialogs_.messages.clear();
    }
    SearchPage& page() { return *(*program_)->mainWindow->searchPage; }
    QList<int> foundKeys() {
        QList<int> keys;
        const data::Dataset& found = page().found;
        if (!found.isActive()) return keys;
        for (int row = 0; row < found.recordCount(); ++row)
            keys << found.valueAt(row, found.fieldIndex("N_ISSLED")).toInt();
        std::sort(keys.begin(), keys.end());
        return keys;
    }
};

class SurnameCriterionInput : public CriteriaInput,
                              public ::testing::WithParamInterface<HostileText> {
protected:
    // A second patient named with the text itself, where the database can hold it.
    void SetUp() override {
        startOn({});
        const HostileText& text = GetParam();
        if (text.outside.isEmpty())
            db_->exec(
                "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) "
                "values (2, 1, 1, '2026-12-09', :fam, 2)",
                {{"fam", testing_support::storedValue(testing_support::entered(text, 30))}});
    }
};

TEST_P(SurnameCriterionInput, FindsExactlyThatNameOrIsRefused) {
    const HostileText& text = GetParam();
    const DatabasePicture before(*db_);
    testing_support::enter(page().surnameEdit, text);
    EXPECT_EQ(page().surnameEdit->text(), testing_support::entered(text, 30));
    page().findButton->click();
    DatabasePicture::expectUnchanged(before, DatabasePicture(*db_));

    if (!text.outside.isEmpty()) {
        EXPECT_EQ(dialogs_.texts(),
                  QStringList{testing_support::refusal(QStringLiteral("Фамилия"), text)});
        EXPECT_FALSE(page().found.isActive()) << "nothing searched";
        return;
    }
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    // Blanks around a name do not belong to it: blanks alone are no criterion.
    const bool criterion = !text.text.trimmed().isEmpty();
    EXPECT_EQ(foundKeys(), criterion ? QList<int>{2} : (QList<int>{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(Corpus, SurnameCriterionInput,
                         ::testing::ValuesIn(testing_support::hostileTexts()),
                         [](const auto& info) { return info.param.name; });

TEST_F(CriteriaInput, EveryTextCriterionRefusesWhatTheDatabaseCannotHoldByItsCaption) {
    startOn({});
    const HostileText omega = testing_support::hostileText(
        "Omega", QStringLiteral("Ω"), testing_support::Entry::Typed, QStringLiteral("Ω"));
    const std::vector<std::pair<QLineEdit*, QString>> criteria = {
        {page().cardNumberEdit, QStringLiteral("Карта  №")},
        {page().surnameEdit, QStringLiteral("Фамилия")},
        {page().firstNameEdit, QStringLiteral("Имя")},
        {page().patronymicEdit, QStringLiteral("Отчество")},
        {page().sexSelector->lineEdit(), QStringLiteral("Пол")},
        {page().diagnosisEdit, QStringLiteral("Диагноз МКБ")}};
    for (const auto& [edit, caption] : criteria) {
        dialogs_.messages.clear();
        testing_support::enter(edit, omega);
        page().findButton->click();
        EXPECT_EQ(dialogs_.texts(), QStringList{testing_support::refusal(caption, omega)});
        EXPECT_FALSE(page().found.isActive()) << caption.toStdString();
        testing_support::enter(edit, testing_support::hostileText("Empty", QString(),
                                                                  testing_support::Entry::Cleared));
    }
    page().findButton->click();
    EXPECT_EQ(foundKeys(), QList<int>{1}) << "with the criteria emptied the search runs";
}

}  // namespace
