// Test helper: reading the LibreOffice office's documents back through UNO, making Excel
// templates with the office itself, and sending print() into a file. One office process serves
// the whole test binary and ends with it, as at program exit.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <functional>
#include <ostream>
#include <string>

#include "reports/office/libreoffice_uno.h"

namespace office {
// Readable test failure messages for ranges.
inline void PrintTo(const CellRange& range, std::ostream* os) {
    *os << "(" << range.top << "," << range.left << ")-(" << range.bottom << "," << range.right
        << ")";
}
}  // namespace office

namespace readback {

using office::uno::Ref;
namespace css = office::uno::css;

// The documents open in the office, whoever opened them.
int componentCount();
QList<Ref<css::frame::XModel>> openModels();
bool isOpen(const Ref<css::frame::XModel>& model);

Ref<css::lang::XComponent> loadHidden(const rtl::OUString& url);
void closeComponent(const Ref<css::uno::XInterface>& component);

Ref<css::sheet::XSpreadsheet> activeSheet(const Ref<css::frame::XModel>& model);
Ref<css::sheet::XSpreadsheet> sheetAt(const Ref<css::frame::XModel>& model, int index);
// Rows and columns from 1, as the office interface counts.
Ref<css::table::XCell> cellAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column);
QString textAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column);
void writeAt(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column, const QString& text);
// A range by position, 1-based and inclusive.
Ref<css::table::XCellRange> rangeAt(const Ref<css::sheet::XSpreadsheet>& sheet, int top, int left,
                                    int bottom, int right);
// The merged area a cell belongs to (the cell alone when it is not merged), 1-based.
office::CellRange mergedArea(const Ref<css::sheet::XSpreadsheet>& sheet, int row, int column);

template <class T>
T property(const Ref<css::uno::XInterface>& object, const char* name) {
    T value{};
    Ref<css::beans::XPropertySet>(object, css::uno::UNO_QUERY_THROW)
        ->getPropertyValue(rtl::OUString::createFromAscii(name)) >>= value;
    return value;
}

template <class T>
void setProperty(const Ref<css::uno::XInterface>& object, const char* name, const T& value) {
    Ref<css::beans::XPropertySet>(object, css::uno::UNO_QUERY_THROW)
        ->setPropertyValue(rtl::OUString::createFromAscii(name), css::uno::Any(value));
}

QByteArray fileBytes(const QString& path);
// The pages of a PDF the office wrote (its page objects are plain text).
int pdfPages(const QString& path);

// An Excel template made by the office itself, as a laboratory's templates are. Made in a window
// (of the headless office) so that its view, the active sheet, is saved with it.
QString makeTemplate(const QString& path,
                     const std::function<void(const Ref<css::frame::XModel>&)>& fill);

// Ruled: all four sides solid and thin, and the lines between cells too where the range has any.
void expectRuled(const Ref<css::uno::XInterface>& range, const std::string& what,
                 bool inner = true);

// Where print() goes until the object goes: a printer by name, or a file.
struct PrintTarget {
    explicit PrintTarget(const QString& printer, const QString& file = {});
    ~PrintTarget();
};

}  // namespace readback
