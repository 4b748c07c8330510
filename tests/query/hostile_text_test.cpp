// Hostile texts held by the register and ticked in the query builder's value lists. The
// statement quotes each as a literal that the server reads back as the very text, the count finds
// the one investigation that holds it, and nothing in the database changes.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include "journal/main_window.h"
#include "query/query_builder_window.h"
#include "reports/office/memory_office.h"
#include "support/hostile_texts.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"

using testing_support::DatabasePicture;
using testing_support::HostileText;

namespace {

using Window = QueryBuilderWindow;

// A value list and where the register keeps its values.
struct ValueList {
    const char* name;
    Window::Criterion criterion;
    const char* column;  // as the statement names it
    int size;            // of the register's column
};

void PrintTo(const ValueList& list, std::ostream* os) {
    *os << list.name;
}

const ValueList kDiagnoses{"Diagnosis", Window::DiagnosisCriterion, "isl.diag_cod", 20};
const ValueList kInstitutions{"Institution", Window::InstitutionCriterion, "lpu.name", 55};

class ValueListInput : public testing_support::ProgramTest,
                       public ::testing::WithParamInterface<std::tuple<ValueList, HostileText>> {
protected:
    // Two investigations with a result each: one of an ordinary institution and diagnosis, one
    // whose institution and diagnosis are the text (cut to their columns; an empty text stays an
    // empty text, not NULL).
    void SetUp() override {
        office::setOffice(&office_);
        const auto& [list, text] = GetParam();
        start({"insert into RECV_ST (COD, NAME) values (1, 'КДЛ')",
               "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
               "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (12, 'Антитела')",
               "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 12, 1)",
               "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')",
               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DIAG_COD) values (1, 1, 1, 'A00')",
               "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
               "(1, 1, 1, 12, 'отр')"});
        db_->exec("insert into SP_LPU (COD_LPU, NAME) values (2, :name)",
                  {{"name", text.text.left(kInstitutions.size)}});
        db_->exec(
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DIAG_COD) values (2, 1, 2, "
            ":diagnosis)",
            {{"diagnosis", text.text.left(kDiagnoses.size)}});
        db_->exec(
            "insert into LAB_ISSL_BOL (N_ISBOL, N_ISSLED, N_LISSL, N_PRLAB, RESULT) values "
            "(2, 2, 1, 12, 'пол')");
    }
    void TearDown() override {
        ProgramTest::TearDown();
        office::setOffice(nullptr);
    }
    office::MemoryOffice office_;
    Window& window() { return *(*program_)->queryBuilderWindow; }
};

TEST_P(ValueListInput, IsQuotedAsALiteralTheServerReadsBackAsTheText) {
    const auto& [list, text] = GetParam();
    const QString value = text.text.left(list.size);
    const DatabasePicture before(*db_);
    QStringList rows;
    dialogs_.whileShown(
        [this] { (*program_)->mainWindow->queryBuilderAction->trigger(); },
        [&](QDialog*) {
            QListWidgetItem* criterion = window().criteriaList->item(list.criterion);
            window().criteriaList->setCurrentItem(criterion);
            criterion->setCheckState(Qt::Checked);
            QListWidget* values = window().listPanels[list.criterion].list;
            const QList<QListWidgetItem*> found = values->findItems(value, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << "the list offers the text as the register holds it";
            values->setCurrentItem(found.first());
            found.first()->setCheckState(Qt::Checked);
            window().listPanels[list.criterion].closeButton->click();
            window().generateButton->click();
            const QAbstractItemModel* grid = window().resultGrid->model();
            for (int r = 0; r < grid->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < grid->columnCount(); ++c)
                    cells << grid->index(r, c).data().toString();
                rows << cells.join('|');
            }
        });
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    EXPECT_EQ(rows, QStringList{QStringLiteral("ИФА ВИЧ|Антитела|1")})
        << "only the investigation that holds the text";

    const QString start = QString::fromLatin1(list.column) + " in (";
    QString literal;
    for (const QString& line : window().statement())
        if (line.contains(start)) {
            literal = line.mid(line.indexOf(start) + start.size());
            literal.truncate(literal.lastIndexOf(u')'));
        }
    ASSERT_FALSE(literal.isEmpty()) << window().statement().join('\n').toStdString();
    // Read as a text of varying length: a fixed one would lose its trailing blanks on the way.
    EXPECT_EQ(
        db_->scalar("select cast(" + literal + " as varchar(255)) from rdb$database").toString(),
        value)
        << literal.toStdString();
    DatabasePicture::expectUnchanged(before, DatabasePicture(*db_));
}

INSTANTIATE_TEST_SUITE_P(Corpus, ValueListInput,
                         ::testing::Combine(::testing::Values(kDiagnoses, kInstitutions),
                                            ::testing::ValuesIn(testing_support::storableTexts())),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
