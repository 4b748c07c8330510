// Hostile texts typed into the research card: its edits and its results grid. Each text is either
// stored as the edit shows it or refused with a message naming the field, nothing stored and the
// typing left in place; no other row of the database changes.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "card/research_card.h"
#include "support/hostile_texts.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"

using testing_support::DatabasePicture;
using testing_support::HostileText;

namespace {

class CardInput : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start(QStringList{
            "insert into RECV_ST (COD) values (1)",
            "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 2)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA, ADRES) values "
            "(1, 1, 1, '2026-12-09', 'Иванов', 'Иван', 'ул. Ленина, 1')",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM) values (2, 1, 1, "
            "'2026-12-09', 'Петров')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (1, 20, "
            "1, 1, 'отр')",
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (2, 21, 1, 1)"});
        session().investigationKey = 1;
        card().show();
        card().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&card()));
    }
    void TearDown() override {
        if (card().isVisible()) {
            dialogs_.answers.push_back(QMessageBox::No);
            card().hide();
        }
        ProgramTest::TearDown();
    }
    ResearchCard& card() { return *(*program_)->researchCard; }
    data::Dataset& record() { return (*program_)->labData->card; }
    // Leaves the edit the way the user goes to the next field.
    static void leave(QWidget* edit) { QTest::keyClick(edit, Qt::Key_Tab); }
};

// --- the card's edits

struct CardEdit {
    const char* name;
    ui::DbEdit* ResearchCard::*edit;
    const char* column;
    const char* caption;
    int size;    // of the column
    bool name_;  // a name: trimmed and capitalised when the edit is left
};

void PrintTo(const CardEdit& edit, std::ostream* os) {
    *os << edit.name;
}

const CardEdit kSurname{"Surname", &ResearchCard::surnameEdit, "FAM", "Фамилия", 30, true};
const CardEdit kStreet{"Street", &ResearchCard::streetEdit, "ADRES", "Улица, дом, кв.", 255, false};

class CardEditInput : public CardInput,
                      public ::testing::WithParamInterface<std::tuple<CardEdit, HostileText>> {};

TEST_P(CardEditInput, IsStoredAsShownOrRefusedByTheFieldsCaption) {
    const auto& [field, text] = GetParam();
    ui::DbEdit* edit = card().*field.edit;
    const QVariant before = record().value(field.column);
    const DatabasePicture pictureBefore(*db_);

    testing_support::enter(edit, text);
    const QString typed = testing_support::entered(text, field.size);
    EXPECT_EQ(edit->text(), typed) << "the edit takes as much as the column holds";
    leave(edit);
    card().saveButton->click();

    const DatabasePicture pictureAfter(*db_);
    if (!text.outside.isEmpty()) {
        const QString refusal = testing_support::refusal(QString::fromUtf8(field.caption), text);
        EXPECT_EQ(dialogs_.texts(), (QStringList{refusal, refusal}))
            << "once when the edit is left, once more when saving";
        EXPECT_EQ(edit->text(), typed) << "the typing stays to be corrected";
        EXPECT_EQ(record().value(field.column), before);
        DatabasePicture::expectUnchanged(pictureBefore, pictureAfter);
        return;
    }
    const QString stored = field.name_ && text.asName ? *text.asName : typed;
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(edit->text(), stored);
    EXPECT_EQ(db_->scalar(QStringLiteral("select %1 from ISSLED where N_ISSLED = 1")
                              .arg(QString::fromLatin1(field.column))),
              testing_support::storedValue(stored));
    DatabasePicture::expectOnlyCellChanged(pictureBefore, pictureAfter, "ISSLED", "1",
                                           field.column);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CardEditInput,
                         ::testing::Combine(::testing::Values(kSurname, kStreet),
                                            ::testing::ValuesIn(testing_support::hostileTexts())),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST_F(CardInput, EveryTextEditTakesNoMoreThanItsColumnAndStoresAllOfIt) {
    const std::vector<std::pair<ui::DbEdit*, std::pair<const char*, int>>> edits = {
        {card().otherNumberEdit, {"NOM_POL", 20}},  {card().surnameEdit, {"FAM", 30}},
        {card().firstNameEdit, {"IMJA", 30}},       {card().patronymicEdit, {"OTCH", 30}},
        {card().settlementEdit, {"NAS_PUNKT", 40}}, {card().streetEdit, {"ADRES", 255}},
        {card().cardNumberEdit, {"NOM_KART", 20}},  {card().snilsEdit, {"SNILS", 14}},
        {card().diagnosisEdit, {"DIAG_COD", 20}}};
    const QString text = testing_support::longText();
    for (const auto& [edit, column] : edits) {
        testing_support::typeText(edit, text);
        EXPECT_EQ(edit->text(), text.left(column.second)) << column.first;
        leave(edit);
    }
    card().saveButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    for (const auto& [edit, column] : edits)
        EXPECT_EQ(db_->scalar(QStringLiteral("select %1 from ISSLED where N_ISSLED = 1")
                                  .arg(QString::fromLatin1(column.first)))
                      .toString(),
                  text.left(column.second))
            << column.first;
}

TEST_F(CardInput, ARefusedNameIsTypedAgainAndThenStored) {
    testing_support::typeText(card().surnameEdit, QStringLiteral("Ли漢"));
    card().saveButton->click();
    ASSERT_EQ(dialogs_.texts(),
              QStringList{QStringLiteral("Поле «Фамилия» содержит символы, которых нет в "
                                         "кодировке базы данных: 漢")});
    EXPECT_TRUE(card().surnameEdit->hasFocus()) << "back in the edit to correct it";
    QTest::keyClick(card().surnameEdit, Qt::Key_Backspace);
    testing_support::typeText(card().firstNameEdit, QStringLiteral("Хан"));
    card().saveButton->click();
    EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select FAM || ' ' || IMJA from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Ли Хан"));
}

TEST_F(CardInput, CancelDropsARefusedTextAndShowsTheStoredOne) {
    testing_support::typeText(card().streetEdit, QStringLiteral("😀"));
    leave(card().streetEdit);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    card().cancelButton->click();
    session().investigationKey = 1;
    card().show();
    EXPECT_EQ(card().streetEdit->text(), QStringLiteral("ул. Ленина, 1"));
    EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join("; ").toStdString();
}

// --- the results grid

class ResultInput : public CardInput, public ::testing::WithParamInterface<HostileText> {};

TEST_P(ResultInput, IsStoredAsTypedOrRefusedByTheColumnsTitle) {
    const HostileText& text = GetParam();
    const DatabasePicture pictureBefore(*db_);
    QLineEdit* editor = testing_support::enterIntoCell(card().resultsGrid, 1, 1, text);
    ASSERT_TRUE(editor);
    const QString typed = testing_support::entered(text, 20);
    EXPECT_EQ(editor->text(), typed) << "the cell takes as much as the column holds";
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    card().saveButton->click();

    const DatabasePicture pictureAfter(*db_);
    if (!text.outside.isEmpty()) {
        const QString refusal = testing_support::refusal(QStringLiteral("Результат"), text);
        EXPECT_EQ(dialogs_.texts(), (QStringList{refusal, refusal}))
            << "once at Enter, once more when saving";
        EXPECT_TRUE(editor->isVisible()) << "the cell stays open";
        EXPECT_EQ(editor->text(), typed) << "with the typing in it";
        DatabasePicture::expectUnchanged(pictureBefore, pictureAfter);
        return;
    }
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(db_->scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 2"),
              testing_support::storedValue(typed));
    DatabasePicture::expectOnlyCellChanged(pictureBefore, pictureAfter, "LAB_ISSL_BOL", "2",
                                           "RESULT");
}

INSTANTIATE_TEST_SUITE_P(Corpus, ResultInput, ::testing::ValuesIn(testing_support::hostileTexts()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
