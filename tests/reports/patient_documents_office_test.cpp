// The per-patient documents made by the real LibreOffice from real Excel templates, issued from
// the journal and the card of a program running on a real database; the documents are read back
// through UNO (while they are open, or from the archive's copies).
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <functional>
#include <tuple>

#include "card/research_card.h"
#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "office_readback.h"
#include "reports/office/libreoffice.h"
#include "reports/office/office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_lookup_combo.h"

using namespace readback;
using css::uno::UNO_QUERY_THROW;
using office::CellRange;
using office::uno::fileUrl;
using office::uno::qstr;
using office::uno::str;

namespace {

// One record of 9 December 2026 of type 1, whose template lies in a subfolder; five indicators,
// three of them with results (a literal "+", a titre and a decimal comma), one with an empty one.
QStringList officeDocumentsFixture() {
    return {
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница №2')",
        "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Инфекционное')",
        "insert into SP_VR (COD_VR, FIO) values (1, 'Белов И. С.')",
        "insert into SP_KONTINGENT (N_KON, COD, NAME) values (1, '108', 'Обследуемые')",
        "insert into SP_GOS (COD_GOS, NAME) values (1, 'Россия')",
        "insert into SP_TER (COD_TER, NAME) values (1, 'Самарская обл.')",
        "insert into SP_RAION (COD_RAION, NAME) values (3, 'Советский')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (1, 'Иммуноблот ВИЧ', 1, "
        "'Бланки\\Результат.xlt')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values (20, 'gp160', '', "
        "'отр')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values (21, 'gp120', '', "
        "'отр')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values (22, 'gp41', 'титр', "
        "'<1:10')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values (23, 'p24', 'пг/мл', "
        "'0-0,5')",
        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (24, 'p17')",
        // The type's order: gp160, gp41, p24, gp120, p17.
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 22, 2)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 4)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (3, 1, 20, 1)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (4, 1, 24, 5)",
        "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (5, 1, 23, 3)",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, COD_VR, N_KON, NPP, NOM, FAM, "
        "IMJA, OTCH, DAT_R, VOZR, NOM_KART, NOM_POL, DAT_ISSLED, DAT_REZULT, POL, COD_GOS, "
        "COD_TER, COD_RAION, NAS_PUNKT, ADRES) values (1, 1, 1, 1, 1, 1, 5, 5127, 'Фёдорова', "
        "'Юлия', 'Юрьевна', '1976-12-13', 49, 'К-20127', '6300123', '2026-12-09', '2026-12-10', "
        "'Ж', 1, 1, 3, 'г. Самара', 'ул. Мира, д. 58')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (20, 1, 1, '+')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (21, 1, 1, null)",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (22, 1, 1, "
        "'1:40')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (23, 1, 1, '3,5')",
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (24, 1, 1, '')",
        "set generator GEN_ISSLED_ID to 100"};
}

// The result lines the sheet must show, in the type's order: indicator, result, unit, norm.
const QList<QStringList> kSheetLines = {
    {"gp160", "+", "", "отр"}, {"gp41", "1:40", "титр", "<1:10"}, {"p24", "3,5", "пг/мл", "0-0,5"}};

constexpr int kLastColumn = 47;  // AU

class PatientDocumentsOfficeTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        office::setOffice(nullptr);
        initial_ = openModels();  // the office runs (started now if need be) before anything
        ASSERT_TRUE(QDir(folder_.path()).mkpath("Бланки"));
        resultTemplate_ = makeTemplate(folder_.filePath("Бланки/Результат.xlt"), resultForm);
        makeTemplate(folder_.filePath("Донесение.xlt"), notificationForm);
        resultTemplateBytes_ = fileBytes(resultTemplate_);
        ASSERT_FALSE(resultTemplateBytes_.isEmpty());
        previous_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
        start(officeDocumentsFixture());
        page().typeSelector->setKeyValue(QVariant());
        ASSERT_TRUE(labData().journal.locate("N_ISSLED", 1));
    }
    void TearDown() override {
        ProgramTest::TearDown();
        QDir::setCurrent(previous_);
        // Whatever a failed test left open goes, so the next one counts from a clean office.
        for (const auto& model : openModels())
            if (!initial_.contains(model)) closeComponent(model);
    }

    // A laboratory's result form: an explanation sheet first, the form itself on the second
    // sheet, which was active when the template was saved.
    static void resultForm(const Ref<css::frame::XModel>& model) {
        Ref<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)
            ->getSheets()
            ->insertNewByName(str("Бланк"), 1);
        const auto notes = sheetAt(model, 0);
        writeAt(notes, 1, 1, "Бланк результата заполняется на втором листе");
        const auto form = sheetAt(model, 1);
        const QList<std::tuple<int, int, QString>> labels = {{1, 1, "Результат исследования"},
                                                             {8, 1, "Пациент №"},
                                                             {8, 6, "Исследование"},
                                                             {9, 15, "Дата взятия"},
                                                             {11, 1, "Ф.И.О."},
                                                             {12, 1, "Возраст"},
                                                             {13, 1, "ЛПУ"},
                                                             {13, 26, "Отд."},
                                                             {17, 1, "Показатель"},
                                                             {17, 22, "Результат"},
                                                             {17, 32, "Ед. изм."},
                                                             {17, 40, "Норма"}};
        for (const auto& [row, column, text] : labels) writeAt(form, row, column, text);
        // Narrow columns, A to AU across one page, as such forms are laid out.
        setProperty(
            Ref<css::table::XColumnRowRange>(rangeAt(form, 1, 1, 1, kLastColumn), UNO_QUERY_THROW)
                ->getColumns(),
            "Width", sal_Int32(350));
        Ref<css::sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW)
            ->setActiveSheet(form);
    }

    static void notificationForm(const Ref<css::frame::XModel>& model) {
        const auto form = sheetAt(model, 0);
        writeAt(form, 1, 1, "Оперативное донесение");
        writeAt(form, 12, 1, "Фамилия");
        writeAt(form, 27, 1, "Показатель");
    }

    JournalPage& page() { return *(*program_)->mainWindow->journalPage; }
    ResearchCard& card() { return *(*program_)->researchCard; }

    // The documents of ours open now.
    QList<Ref<css::frame::XModel>> ours() const {
        QList<Ref<css::frame::XModel>> documents;
        for (const auto& model : openModels())
            if (!initial_.contains(model) && !foreign_.contains(model)) documents << model;
        return documents;
    }

    QTemporaryDir folder_;
    QTemporaryDir output_;
    QString previous_;
    QString resultTemplate_;
    QByteArray resultTemplateBytes_;
    QList<Ref<css::frame::XModel>> initial_;  // open before the test
    QList<Ref<css::frame::XModel>> foreign_;  // another program's
};

TEST_F(PatientDocumentsOfficeTest, JournalPrintsTheSheetIntoAFileAndLeavesNothingOpen) {
    const QString pdf = output_.filePath("напечатано.pdf");
    PrintTarget target({}, pdf);
    page().printResultAction->trigger();

    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    ASSERT_GT(QFileInfo(pdf).size(), 0);
    EXPECT_TRUE(fileBytes(pdf).startsWith("%PDF"));
    EXPECT_EQ(pdfPages(pdf), 1) << "the form's sheet only, not the explanation before it";
    EXPECT_TRUE(ours().isEmpty()) << "printed and closed";
    EXPECT_EQ(fileBytes(resultTemplate_), resultTemplateBytes_) << "the template stays as it was";
}

TEST_F(PatientDocumentsOfficeTest, ShownSheetReadsBackAsPlacedAndGoesOnOk) {
    // Another program's document in the same office.
    const Ref<css::lang::XComponent> other = loadHidden("private:factory/swriter");
    Ref<css::text::XTextDocument>(other, UNO_QUERY_THROW)->getText()->setString(str("чужой"));
    foreign_ << Ref<css::frame::XModel>(other, UNO_QUERY_THROW);

    dialogs_.okAnswers = {false};
    page().viewResultAction->trigger();
    EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
    const auto left = ours();
    ASSERT_EQ(left.size(), 1) << "the user keeps it";
    const Ref<css::frame::XModel> model = left[0];
    EXPECT_TRUE(model->getURL().isEmpty()) << "a new untitled document";
    EXPECT_TRUE(
        Ref<css::awt::XWindow2>(model->getCurrentController()->getFrame()->getContainerWindow(),
                                UNO_QUERY_THROW)
            ->isVisible());

    // Filled on the template's active sheet, which is the one in view.
    const auto s = activeSheet(model);
    ASSERT_EQ(qstr(Ref<css::container::XNamed>(s, UNO_QUERY_THROW)->getName()), "Бланк");
    EXPECT_EQ(textAt(sheetAt(model, 0), 1, 1), "Бланк результата заполняется на втором листе");
    EXPECT_EQ(cellAt(sheetAt(model, 0), 2, 1)->getType(), css::table::CellContentType_EMPTY);

    QList<std::tuple<int, int, QString>> expected = {{2, 1, "КДЛ"},
                                                     {8, 4, "5127"},
                                                     {8, 9, "Иммуноблот ВИЧ"},
                                                     {9, 22, "09.12.2026"},
                                                     {11, 9, "Фёдорова Юлия Юрьевна"},
                                                     {12, 9, "49"},
                                                     {13, 8, "Больница №2"},
                                                     {13, 32, "Инфекционное"},
                                                     {14, 8, "6300123"},
                                                     {14, 32, "К-20127"},
                                                     {15, 8, "108"},
                                                     {15, 32, "5"},
                                                     {23, 1, "Дата выдачи 10.12.2026"},
                                                     {23, 22, "Подпись ____________ Белов И. С."},
                                                     // The template's own labels stay.
                                                     {8, 1, "Пациент №"},
                                                     {17, 1, "Показатель"},
                                                     {17, 40, "Норма"}};
    for (int i = 0; i < kSheetLines.size(); ++i)
        for (int c = 0; c < 4; ++c)
            expected.append({18 + i, QList<int>{1, 22, 32, 40}[c], kSheetLines[i][c]});
    for (const auto& [row, column, text] : expected) {
        SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
        EXPECT_EQ(textAt(s, row, column), text);
        // Every value as text: numbers, dates, "+", "1:40" and "3,5" as typed.
        if (!text.isEmpty()) {
            EXPECT_EQ(cellAt(s, row, column)->getType(), css::table::CellContentType_TEXT);
        }
    }
    for (int row : {21, 22})
        for (int column : {1, 22})
            EXPECT_EQ(cellAt(s, row, column)->getType(), css::table::CellContentType_EMPTY)
                << "row " << row << " column " << column;

    // The result block ruled, and nothing beyond it.
    expectRuled(rangeAt(s, 18, 1, 20, 40), "A18:AN20");
    EXPECT_EQ(property<css::table::TableBorder2>(rangeAt(s, 18, 1, 21, 40), "TableBorder2")
                  .BottomLine.LineWidth,
              0u)
        << "row 21";
    EXPECT_EQ(property<css::table::TableBorder2>(rangeAt(s, 18, 1, 20, 41), "TableBorder2")
                  .RightLine.LineWidth,
              0u)
        << "column AO";
    // The signature merged V to AU, the issue date beside it not.
    EXPECT_EQ(mergedArea(s, 23, 22), CellRange::of(23, 22, 23, kLastColumn));
    EXPECT_EQ(mergedArea(s, 23, 1), CellRange::cell(23, 1));
    // The cursor on A1.
    const auto selected =
        Ref<css::sheet::XCellRangeAddressable>(
            Ref<css::view::XSelectionSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
                ->getSelection(),
            UNO_QUERY_THROW)
            ->getRangeAddress();
    EXPECT_EQ(
        std::tuple(selected.StartRow, selected.StartColumn, selected.EndRow, selected.EndColumn),
        std::tuple(0, 0, 0, 0));
    closeComponent(model);

    // Shown again, and OK closes it; the other program's document stays.
    dialogs_.okAnswers = {true};
    page().viewResultAction->trigger();
    EXPECT_EQ(dialogs_.texts(), (QStringList{"Закрыть EXCEL?", "Закрыть EXCEL?"}));
    EXPECT_TRUE(ours().isEmpty());
    ASSERT_TRUE(isOpen(Ref<css::frame::XModel>(other, UNO_QUERY_THROW)));
    EXPECT_EQ(qstr(Ref<css::text::XTextDocument>(other, UNO_QUERY_THROW)->getText()->getString()),
              "чужой");
    EXPECT_EQ(fileBytes(resultTemplate_), resultTemplateBytes_);
    closeComponent(other);
}

TEST_F(PatientDocumentsOfficeTest, AFailureReachesTheUserAndLeavesNothingOpen) {
    const struct {
        const char* what;
        std::function<void()> arrange;
        QString message;  // a part of what the user is told
    } cases[] = {
        {"a printer that does not exist (filled, copied, then printing fails)",
         [] { office::setLibreOfficePrinter("Принтер, которого нет"); }, "Принтер, которого нет"},
        {"a template that is not there", [this] { QFile::remove(resultTemplate_); },
         QDir::toNativeSeparators(folder_.filePath("Бланки/Результат.xlt"))},
    };
    QTemporaryDir archive;
    session().documentArchive = archive.path();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrintTarget target({}, output_.filePath("не должно быть.pdf"));
        dialogs_.messages.clear();
        c.arrange();
        page().printResultAction->trigger();
        ASSERT_EQ(dialogs_.texts().size(), 1);
        EXPECT_TRUE(dialogs_.texts()[0].contains(c.message)) << dialogs_.texts()[0].toStdString();
        EXPECT_TRUE(ours().isEmpty()) << "the half-made sheet is closed";
        EXPECT_FALSE(QFileInfo::exists(output_.filePath("не должно быть.pdf")));
    }
}

TEST_F(PatientDocumentsOfficeTest, ArchiveKeepsAPdfAndAnOdsCopyOfThePrintedSheet) {
    QTemporaryDir archive;
    session().documentArchive = archive.filePath("копии");
    PrintTarget target({}, output_.filePath("лист.pdf"));
    page().printResultAction->trigger();
    ASSERT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();

    const QStringList files = QDir(archive.filePath("копии")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 2) << files.join(" ").toStdString();
    const QRegularExpression name(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_result_1\.(ods|pdf)$)"));
    for (const QString& file : files)
        EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
    const QString base = QDir(archive.filePath("копии")).filePath(files[0].chopped(4));
    ASSERT_TRUE(files.contains(QFileInfo(base + ".pdf").fileName()));
    EXPECT_TRUE(fileBytes(base + ".pdf").startsWith("%PDF"));
    EXPECT_EQ(pdfPages(base + ".pdf"), 1) << "the form's sheet, as printed";
    ASSERT_TRUE(fileBytes(base + ".ods").startsWith("PK"));
    EXPECT_TRUE(ours().isEmpty());

    // The copy holds the filled form.
    const Ref<css::lang::XComponent> copy = loadHidden(fileUrl(base + ".ods"));
    const Ref<css::frame::XModel> model(copy, UNO_QUERY_THROW);
    const auto s = sheetAt(model, 1);
    EXPECT_EQ(textAt(s, 11, 9), "Фёдорова Юлия Юрьевна");
    EXPECT_EQ(textAt(s, 18, 22), "+");
    EXPECT_EQ(textAt(s, 20, 1), "p24");
    EXPECT_EQ(textAt(s, 23, 1), "Дата выдачи 10.12.2026");
    expectRuled(rangeAt(s, 18, 1, 20, 40), "copy A18:AN20");
    EXPECT_EQ(mergedArea(s, 23, 22), CellRange::of(23, 22, 23, kLastColumn));
    closeComponent(copy);
}

TEST_F(PatientDocumentsOfficeTest, CardNotificationReadsBackWithItsProteinLines) {
    dialogs_.okAnswers = {false};
    dialogs_.whileShown([&] { page().enterResultsAction->trigger(); },
                        [&](QDialog*) { card().printNotificationAction->trigger(); });
    EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
    const auto left = ours();
    ASSERT_EQ(left.size(), 1);
    const auto s = activeSheet(left[0]);

    const QList<std::tuple<int, int, QString>> expected = {
        {1, 1, "Оперативное донесение"},
        {2, 1, "КДЛ"},
        {12, 9, "Фёдорова"},
        {13, 9, "Юлия"},
        {13, 29, "Юрьевна"},
        {15, 9, "Ж"},
        {15, 33, "13.12.1976"},
        {17, 33, "Россия"},
        {18, 13, "Самарская обл. Советский р-он г. Самара ул. Мира, д. 58"},
        {21, 12, "108"},
        {22, 14, "Больница №2"},
        {24, 12, "КДЛ"},
        {32, 1, "Выявленные белки и гликопротеиды:    env:     gp 160,  110  /  120,  41"},
        {33, 1, QString(72, ' ') + "gag:    p 55,  40,  25, 18"},
        {34, 1, QString(72, ' ') + "pol:     p 68,  52,  33"},
        {36, 1, "Должность, фамилия, подпись лица, направившего донесение"},
        {37, 1, "Белов И. С."},
        {38, 1, "Дата   10.12.2026"}};
    for (const auto& [row, column, text] : expected)
        EXPECT_EQ(textAt(s, row, column), text) << "row " << row << " column " << column;
    // The results in the order the database gives them: the same three lines.
    QList<QStringList> lines;
    for (int row = 28; row <= 30; ++row)
        lines << QStringList{textAt(s, row, 1), textAt(s, row, 22), textAt(s, row, 32),
                             textAt(s, row, 40)};
    std::sort(lines.begin(), lines.end());
    QList<QStringList> sheetLines = kSheetLines;
    std::sort(sheetLines.begin(), sheetLines.end());
    EXPECT_EQ(lines, sheetLines);
    for (int row : {31, 35})
        EXPECT_EQ(cellAt(s, row, 1)->getType(), css::table::CellContentType_EMPTY) << row;

    // Each line across the row, A to AU; the protein lines in general alignment.
    for (int row : {32, 33, 34, 36, 37, 38})
        EXPECT_EQ(mergedArea(s, row, 1), CellRange::of(row, 1, row, kLastColumn)) << row;
    for (int row : {32, 33, 34})
        EXPECT_EQ(property<css::table::CellHoriJustify>(cellAt(s, row, 1), "HoriJustify"),
                  css::table::CellHoriJustify_STANDARD)
            << row;
    EXPECT_EQ(mergedArea(s, 28, 1), CellRange::cell(28, 1)) << "result lines are not merged";
    closeComponent(left[0]);
}

}  // namespace
