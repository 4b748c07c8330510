#include "office_readback.h"

#include <gtest/gtest.h>

#include <QFile>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "reports/office/libreoffice.h"

namespace readback {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using office::uno::desktop;
using office::uno::fileUrl;
using office::uno::properties;
using office::uno::qstr;
using office::uno::str;

namespace {

// At the end of the binary the office goes as it goes at program exit.
class OfficeEnvironment : public ::testing::Environment {
public:
    void TearDown() override { office::shutDownLibreOffice(); }
};
[[maybe_unused]] auto* const officeEnvironment =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

}  // namespace

QList<Ref<css::frame::XModel>> openModels() {
    QList<Ref<css::frame::XModel>> models;
    Ref<css::container::XEnumeration> all = desktop()->getComponents()->createEnumeration();
    while (all->hasMoreElements()) models << Ref<css::frame::XModel>(all->nextElement(), UNO_QUERY);
    return models;
}

int componentCount() {
    return static_cast<int>(openModels().size());
}

bool isOpen(const Ref<css::frame::XModel>& model) {
    return openModels().contains(model);
}

Ref<css::lang::XComponent> loadHidden(const rtl::OUString& url) {
    return Ref<css::frame::XComponentLoader>(desktop(), UNO_QUERY_THROW)
        ->loadComponentFromURL(url, "_blank", 0, properties({{"Hidden", Any(true)}}));
}

void closeComponent(const Ref<css::uno::XInterface>& component) {
    Ref<css::util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
}

Ref<css::sheet::XSpreadsheet> activeSheet(const Ref<css::frame::XModel>& model) {
    return Ref<css::sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW)
        ->getActiveSheet();
}

Ref<css::sheet::XSpreadsheet> sheetAt(const Ref<css::frame::XModel>& model, int index) {
    Ref<css::container::XIndexAccess> sheets(
        Ref<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)->getSheets(),
        UNO_QUERY_THROW);
    return Ref<css::sheet::XSpreadsheet>(sheets->getByIndex(index), UNO_QUERY_THROW);
}

Ref<css::table::XCell> cellAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column) {
    return sheet->getCellByPosition(column - 1, row - 1);
}

QString textAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column) {
    return qstr(
        Ref<css::text::XTextRange>(cellAt(sheet, row, column), UNO_QUERY_THROW)->getString());
}

void writeAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column, const QString& text) {
    Ref<css::text::XTextRange>(cellAt(sheet, row, column), UNO_QUERY_THROW)->setString(str(text));
}

Ref<css::table::XCellRange> rangeAt(const Ref<css::sheet::XSpreadsheet>& sheet, int top, int left,
                                    int bottom, int right) {
    return sheet->getCellRangeByPosition(left - 1, top - 1, right - 1, bottom - 1);
}

office::CellRange mergedArea(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column) {
    const Ref<css::sheet::XSheetCellCursor> cursor =
        sheet->createCursorByRange(Ref<css::sheet::XSheetCellRange>(
            rangeAt(sheet, row, column, row, column), UNO_QUERY_THROW));
    cursor->collapseToMergedArea();
    const css::table::CellRangeAddress area =
        Ref<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
    return office::CellRange::of(area.StartRow + 1, area.StartColumn + 1, area.EndRow + 1,
                                 area.EndColumn + 1);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int pdfPages(const QString& path) {
    const QByteArray pdf = fileBytes(path);
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type/Page"); at >= 0; at = pdf.indexOf("/Type/Page", at + 1))
        if (at + 10 < pdf.size() && pdf.at(at + 10) != 's') ++pages;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0;
         at = pdf.indexOf("/Type /Page", at + 1))
        if (at + 11 < pdf.size() && pdf.at(at + 11) != 's') ++pages;
    return pages;
}

QString makeTemplate(const QString& path,
                     const std::function<void(const Ref<css::frame::XModel>&)>& fill) {
    Ref<css::lang::XComponent> component =
        Ref<css::frame::XComponentLoader>(desktop(), UNO_QUERY_THROW)
            ->loadComponentFromURL("private:factory/scalc", "_blank", 0, {});
    Ref<css::frame::XModel> model(component, UNO_QUERY_THROW);
    fill(model);
    Ref<css::frame::XStorable>(model, UNO_QUERY_THROW)
        ->storeToURL(fileUrl(path),
                     properties({{"FilterName", Any(rtl::OUString("MS Excel 97 Vorlage/Template"))},
                                 {"Overwrite", Any(true)}}));
    closeComponent(model);
    return path;
}

void expectRuled(const Ref<css::uno::XInterface>& range, const std::string& what, bool inner) {
    const auto border = property<css::table::TableBorder2>(range, "TableBorder2");
    const std::pair<const char*, std::pair<bool, css::table::BorderLine2>> lines[] = {
        {"top", {border.IsTopLineValid, border.TopLine}},
        {"bottom", {border.IsBottomLineValid, border.BottomLine}},
        {"left", {border.IsLeftLineValid, border.LeftLine}},
        {"right", {border.IsRightLineValid, border.RightLine}},
        {"horizontal", {border.IsHorizontalLineValid, border.HorizontalLine}},
        {"vertical", {border.IsVerticalLineValid, border.VerticalLine}},
    };
    for (const auto& [name, line] : lines) {
        if (!inner && (name == std::string("horizontal") || name == std::string("vertical")))
            continue;
        SCOPED_TRACE(what + ": " + name);
        EXPECT_TRUE(line.first);
        EXPECT_EQ(line.second.LineStyle, css::table::BorderLineStyle::SOLID);
        EXPECT_GT(line.second.LineWidth, 0u);
        EXPECT_LE(line.second.LineWidth, 40u) << "thin";
    }
}

PrintTarget::PrintTarget(const QString& printer, const QString& file) {
    office::setLibreOfficePrinter(printer);
    office::setLibreOfficePrintFile(file);
}

PrintTarget::~PrintTarget() {
    office::setLibreOfficePrinter({});
    office::setLibreOfficePrintFile({});
}

}  // namespace readback
