// The shipped templates of the per-patient documents filled with the longest values their
// database columns can hold: every value the program writes must show whole and readable on the
// printed sheet, wrapped within its row or shrunk to no less than 7 pt.
//
// The measure is the office's own, taken in the filled document itself: each value is set again
// into a cell of a scratch sheet with the same font, size, weight, margins and wrapping, as wide
// as the value's cell (its merged area) on the form; the office then reports the height that cell
// needs (wrapped) or the width (one line), which is set against the form cell's real height and
// width. The PDF's text layer cannot tell a cut value (it keeps the clipped string whole), and a
// rendered page read back by OCR is slow and only approximate for short Cyrillic values with
// punctuation ("ОП/КО (индекс поз.)"); the office's measure is exact, per cell, and takes well
// under a second for a whole form.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <functional>
#include <sstream>

#include "office_readback.h"
#include "reports/office/libreoffice.h"
#include "reports/patient_sheets.h"

using namespace readback;
using css::uno::Any;
using css::uno::UNO_QUERY_THROW;
using office::uno::str;

namespace {

// The templates the build made from templates/*.fods.
QString builtTemplate(const QString& name) {
    return QDir(QStringLiteral(LABJOURNAL_PROGRAM_DIR "/../templates")).filePath(name);
}

// A text of exactly `length` characters made of `words` repeated (cut at the end).
QString ofLength(const QString& words, int length) {
    QString text;
    while (text.size() < length) text += words;
    return text.left(length);
}

// The longest values of the columns the forms show (src/data/schema.sql), in words as wide as
// real ones, with wide capitals where a short column allows them.
const QString kInstitution =
    QStringLiteral("Государственное бюджетное учреждение здравоохранения Самарской области ");
QString surname() {
    return ofLength(QStringLiteral("Щербаковская-Шумилова"), 30);
}  // FAM
QString firstName() {
    return ofLength(QStringLiteral("Жанна-Мария"), 30);
}  // IMJA
QString patronymic() {
    return ofLength(QStringLiteral("Михайловна"), 30);
}  // OTCH
QString doctor() {
    return ofLength(QStringLiteral("Щербаковская-Шумилова М. Ю., врач "), 55);
}

reports::RecordTexts longestRecord() {
    reports::RecordTexts r;
    r.columns = {
        {"NOM", "2147483647"},  // INTEGER
        {"FAM", surname()},
        {"IMJA", firstName()},
        {"OTCH", patronymic()},
        {"DAT_ISSLED", "31.12.2026"},
        {"DAT_REZULT", "31.12.2026"},
        {"DAT_R", "28.09.1976"},
        {"VOZR", "120"},
        {"LPU", ofLength(kInstitution, 55)},  // SP_LPU
        {"OTD",
         ofLength(QStringLiteral("Инфекционное отделение № 2 для взрослых "), 55)},  // SP_OTD
        {"NOM_POL", ofLength(QStringLiteral("6300123456"), 20)},
        {"NOM_KART", ofLength(QStringLiteral("К-20127/"), 20)},
        {"COD_OBSL", ofLength(QStringLiteral("108.1"), 10)},  // SP_KONTINGENT.COD
        {"NPP", "2147483647"},
        {"POL", "Ж"},
        {"GOS", ofLength(QStringLiteral("Соединённое Королевство Великобритании и Северной "
                                        "Ирландии "),
                         55)},  // SP_GOS
        {"COD_TER", "1"},
        {"TER", ofLength(QStringLiteral("Самарская область "), 30)},  // SP_TER
        {"COD_RAION", "1"},
        {"RAION", ofLength(QStringLiteral("Красноглинский "), 30)},  // SP_RAION
        {"NAS_PUNKT", ofLength(QStringLiteral("пос. Мехзавод "), 40)},
        {"ADRES", ofLength(QStringLiteral("ул. Новосадовая, д. 186, корп. 3, кв. 417, "), 255)},
        {"VRACH", doctor()},  // SP_VR.FIO
    };
    return r;
}

// Indicator (40), result, unit and norm (20 each): realistic ones and ones of wide letters.
QList<reports::ResultLine> longestResults() {
    return {
        {ofLength(QStringLiteral("Антитела к ядерному антигену ВГВ (HBcAg) "), 40),
         QStringLiteral("слабоположительно!!!"), QStringLiteral("ОП/КО (индекс поз.) "),
         QStringLiteral("менее 0,9 ОП/КО; отр")},
        {ofLength(QStringLiteral("Ш"), 40), QStringLiteral("12345678901234567890"),
         ofLength(QStringLiteral("ШЖЮМ"), 20), ofLength(QStringLiteral("ЖШЮМ"), 20)},
    };
}

const QString kLaboratory = ofLength(kInstitution, 40);  // RECV_ST.NAME

struct Fit {
    bool fits = false;
    std::string how;
};

// How a value shows in its cell on the form, by the office's measure (see the top of the file).
class FitMeter {
public:
    explicit FitMeter(const Ref<css::frame::XModel>& model) : form_(activeSheet(model)) {
        const auto sheets =
            Ref<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)->getSheets();
        sheets->insertNewByName(
            str("мера"),
            static_cast<sal_Int16>(
                Ref<css::container::XIndexAccess>(sheets, UNO_QUERY_THROW)->getCount()));
        scratch_ = Ref<css::sheet::XSpreadsheet>(sheets->getByName(str("мера")), UNO_QUERY_THROW);
    }

    Fit measure(int row, int column) const {
        const Ref<css::table::XCell> cell = cellAt(form_, row, column);
        const QString text =
            office::uno::qstr(Ref<css::text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
        const office::CellRange area = mergedArea(form_, row, column);
        const auto formColumns =
            Ref<css::table::XColumnRowRange>(form_, UNO_QUERY_THROW)->getColumns();
        const auto formRows = Ref<css::table::XColumnRowRange>(form_, UNO_QUERY_THROW)->getRows();
        sal_Int32 width = 0, height = 0;
        for (int c = area.left; c <= area.right; ++c) {
            const Ref<css::uno::XInterface> shown(formColumns->getByIndex(c - 1), UNO_QUERY_THROW);
            if (property<bool>(shown, "IsVisible")) width += property<sal_Int32>(shown, "Width");
        }
        for (int r = area.top; r <= area.bottom; ++r)
            height += property<sal_Int32>(
                Ref<css::uno::XInterface>(formRows->getByIndex(r - 1), UNO_QUERY_THROW), "Height");

        const Ref<css::table::XCell> probe = scratch_->getCellByPosition(0, 0);
        for (const char* name : {"CharFontName", "CharHeight", "CharWeight", "ParaLeftMargin",
                                 "ParaRightMargin", "ParaIndent", "HoriJustify", "VertJustify"})
            Ref<css::beans::XPropertySet>(probe, UNO_QUERY_THROW)
                ->setPropertyValue(rtl::OUString::createFromAscii(name),
                                   Ref<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)
                                       ->getPropertyValue(rtl::OUString::createFromAscii(name)));
        const bool wrapped = property<bool>(cell, "IsTextWrapped");
        const bool shrinks = property<bool>(cell, "ShrinkToFit");
        const float points = property<float>(cell, "CharHeight");
        setProperty(probe, "IsTextWrapped", wrapped);
        Ref<css::text::XTextRange>(probe, UNO_QUERY_THROW)->setString(str(text));
        const Ref<css::uno::XInterface> probeColumn(
            Ref<css::table::XColumnRowRange>(scratch_, UNO_QUERY_THROW)
                ->getColumns()
                ->getByIndex(0),
            UNO_QUERY_THROW);
        const Ref<css::uno::XInterface> probeRow(
            Ref<css::table::XColumnRowRange>(scratch_, UNO_QUERY_THROW)->getRows()->getByIndex(0),
            UNO_QUERY_THROW);
        std::ostringstream how;
        how << "\"" << text.toStdString() << "\" (" << text.size() << " characters) in " << width
            << "x" << height << " (1/100 mm): ";
        Fit fit;
        if (wrapped) {
            setProperty(probeColumn, "Width", width);
            setProperty(probeRow, "OptimalHeight", true);
            const auto needed = property<sal_Int32>(probeRow, "Height");
            how << "wrapped, needs height " << needed;
            fit.fits = needed <= height;
        } else {
            setProperty(probeColumn, "OptimalWidth", true);
            setProperty(probeRow, "OptimalHeight", true);
            const auto needed = property<sal_Int32>(probeColumn, "Width");
            const auto neededHeight = property<sal_Int32>(probeRow, "Height");
            const double shown = needed <= width ? points : points * width / needed;
            how << "one line, needs width " << needed << " and height " << neededHeight;
            if (shrinks) how << ", shrunk to " << shown << " pt";
            fit.fits = neededHeight <= height && (needed <= width || (shrinks && shown >= 7.0));
        }
        Ref<css::text::XTextRange>(probe, UNO_QUERY_THROW)->setString(rtl::OUString());
        fit.how = how.str();
        return fit;
    }

private:
    Ref<css::sheet::XSpreadsheet> form_;
    Ref<css::sheet::XSpreadsheet> scratch_;
};

struct Form {
    const char* name;
    QString templateFile;
    std::function<void(office::Spreadsheet&)> fill;
    // The cells the program fills (row, column), the result lines' among them.
    QList<std::pair<int, int>> cells;
};

class TemplateFitOfficeTest : public ::testing::Test {};

TEST_F(TemplateFitOfficeTest, EveryFilledCellShowsTheLongestValueOfItsColumnWhole) {
    const reports::RecordTexts record = longestRecord();
    const QList<reports::ResultLine> results = longestResults();
    const reports::ResultSheet sheetData{
        kLaboratory,
        ofLength(QStringLiteral("Иммуноферментный анализ на антитела к ВИЧ-1,2 и антиген р24 "),
                 55),
        record, results};
    const reports::PatientForm formData{kLaboratory, record, results};
    // Both result lines in the result columns: indicator, result, unit, norm.
    auto resultCells = [](int first) {
        QList<std::pair<int, int>> cells;
        for (int row : {first, first + 1})
            for (int column : {1, 22, 32, 40}) cells.append({row, column});
        return cells;
    };
    const Form forms[] = {
        {"result sheet", QStringLiteral("ИФА_ВИЧ.xlt"),
         [&](office::Spreadsheet& s) { reports::fillResultSheet(s, sheetData); },
         QList<std::pair<int, int>>{{2, 1},
                                    {8, 4},
                                    {8, 9},
                                    {9, 22},
                                    {11, 9},
                                    {12, 9},
                                    {13, 8},
                                    {13, 32},
                                    {14, 8},
                                    {14, 32},
                                    {15, 8},
                                    {15, 32},
                                    {22, 1},
                                    {22, 22}} +
             resultCells(18)},
        {"notification", QStringLiteral("Донесение.xlt"),
         [&](office::Spreadsheet& s) { reports::fillNotification(s, formData); },
         QList<std::pair<int, int>>{{2, 1},
                                    {12, 9},
                                    {13, 9},
                                    {13, 29},
                                    {15, 9},
                                    {15, 33},
                                    {17, 33},
                                    {18, 13},
                                    {21, 12},
                                    {22, 14},
                                    {24, 12},
                                    {31, 1},
                                    {32, 1},
                                    {33, 1},
                                    {35, 1},
                                    {36, 1},
                                    {37, 1}} +
             resultCells(28)},
        {"referral",
         QStringLiteral("Направление_на_ИФА_ВИЧ.xlt"),
         [&](office::Spreadsheet& s) { reports::fillReferral(s, formData, QDate(2026, 12, 31)); },
         {{4, 3}, {10, 4}, {15, 15}, {19, 23}, {24, 3}, {28, 12}, {28, 30}, {34, 3}, {37, 3}}},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        const QString path = builtTemplate(form.templateFile);
        ASSERT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        auto document = office::libreOffice().newSpreadsheet(path);
        form.fill(*document);
        const Ref<css::frame::XModel> model = office::uno::modelOf(*document);
        const FitMeter meter(model);
        for (const auto& [row, column] : form.cells) {
            const Fit fit = meter.measure(row, column);
            EXPECT_FALSE(textAt(activeSheet(model), row, column).isEmpty())
                << "row " << row << " column " << column << " is filled";
            EXPECT_TRUE(fit.fits) << "row " << row << " column " << column << ": " << fit.how;
        }
        document->close();
    }
}

}  // namespace
