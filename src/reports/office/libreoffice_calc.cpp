// Spreadsheets of the LibreOffice office: Calc documents, worked on their active sheet.
#include <QDir>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertyState.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/BorderLine2.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/view/PrintableState.hpp>
#include <com/sun/star/view/XPrintJobBroadcaster.hpp>
#include <com/sun/star/view/XPrintJobListener.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <condition_variable>
#include <cppuhelper/implbase1.hxx>
#include <map>
#include <mutex>
#include <optional>
#include <rtl/ref.hxx>

#include "reports/office/libreoffice.h"
#include "reports/office/libreoffice_uno.h"

namespace office::uno {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// Waits for the office's word on a print job: spooled, or why not.
class PrintJobWatch : public cppu::WeakImplHelper1<css::view::XPrintJobListener> {
public:
    void SAL_CALL printJobEvent(const css::view::PrintJobEvent& event) override {
        std::lock_guard lock(mutex_);
        started_ = true;
        if (event.State != css::view::PrintableState_JOB_STARTED) {
            outcome_ = event.State;
            changed_.notify_all();
        }
    }
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

    // The job's last state, waiting a little for it when the job started and the office has not
    // told its end yet; none when no job started.
    std::optional<css::view::PrintableState> outcome(int waitMs) {
        std::unique_lock lock(mutex_);
        if (started_)
            changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [&] { return outcome_.has_value(); });
        return outcome_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<css::view::PrintableState> outcome_;
    bool started_ = false;
};

QString printerOf(const Ref<css::view::XPrintable>& printable) {
    const auto description = printable->getPrinter();
    for (const auto& property : description) {
        rtl::OUString name;
        if (property.Name == "Name" && (property.Value >>= name)) return qstr(name);
    }
    return {};
}

class CalcSpreadsheet final : public Spreadsheet {
public:
    explicit CalcSpreadsheet(const Ref<css::lang::XComponent>& component) : document_(component) {
        guarded([&] {
            Ref<css::sheet::XSpreadsheetView> view(document_.model()->getCurrentController(),
                                                   UNO_QUERY_THROW);
            sheet_ = view->getActiveSheet();
            if (!sheet_.is()) throw OfficeError(QStringLiteral("В таблице нет активного листа"));
        });
    }

    Ref<css::frame::XModel> model() const { return document_.model(); }

    void setText(int row, int column, const QString& text) override {
        checkCell(row, column);
        guarded([&] {
            Ref<css::text::XTextRange>(sheet()->getCellByPosition(column - 1, row - 1),
                                       UNO_QUERY_THROW)
                ->setString(str(text));
            growRows(row, row);
        });
    }

    void setTexts(int row, int column, const QList<QStringList>& rows) override {
        if (rows.isEmpty()) return;
        const qsizetype width = rows.first().size();
        for (const QStringList& line : rows)
            if (line.size() != width)
                throw OfficeError(QStringLiteral("Строки блока ячеек разной длины"));
        if (width == 0) return;
        const CellRange block = CellRange::of(row, column, row + static_cast<int>(rows.size()) - 1,
                                              column + static_cast<int>(width) - 1);
        css::uno::Sequence<css::uno::Sequence<Any>> data(static_cast<sal_Int32>(rows.size()));
        for (qsizetype r = 0; r < rows.size(); ++r) {
            css::uno::Sequence<Any> line(static_cast<sal_Int32>(width));
            for (qsizetype c = 0; c < width; ++c) line.getArray()[c] <<= str(rows[r][c]);
            data.getArray()[r] = line;
        }
        // Strings written as data stay literal text, formulas included.
        guarded([&] {
            Ref<css::sheet::XCellRangeData>(range(block), UNO_QUERY_THROW)->setDataArray(data);
            // A block of one-line cells keeps its rows (a sheet of such blocks is fitted by
            // autoFit()); where the block wraps, its rows grow to hold their texts.
            const Ref<css::beans::XPropertyState> wrapping(range(block), UNO_QUERY_THROW);
            bool wrapped = false;
            if (wrapping->getPropertyState("IsTextWrapped") ==
                css::beans::PropertyState_AMBIGUOUS_VALUE)
                wrapped = true;
            else
                properties(block)->getPropertyValue("IsTextWrapped") >>= wrapped;
            if (wrapped) growRows(block.top, block.bottom);
        });
    }

    void setRuled(const CellRange& cells) override {
        guarded([&] { properties(cells)->setPropertyValue("TableBorder2", Any(ruledBorder())); });
    }

    void setBold(const CellRange& cells) override {
        guarded([&] {
            properties(cells)->setPropertyValue("CharWeight", Any(css::awt::FontWeight::BOLD));
        });
    }

    // Merged areas inside the range give way to the one merge (the office itself refuses to
    // merge over them): a template may merge a row's cells that a text across the row then
    // takes.
    void merge(const CellRange& given) override {
        const CellRange cells = CellRange::of(given.top, given.left, given.bottom, given.right);
        guarded([&] {
            const Ref<css::util::XMergeable> area(range(cells), UNO_QUERY_THROW);
            if (area->getIsMerged()) {
                if (mergedAreaAt(cells.top, cells.left) == cells) return;
                area->merge(false);
            }
            area->merge(true);
            growRows(cells.top, cells.bottom);
        });
    }

    void setAlignment(const CellRange& cells, Alignment alignment) override {
        css::table::CellHoriJustify justify = css::table::CellHoriJustify_STANDARD;
        switch (alignment) {
            case Alignment::General:
                justify = css::table::CellHoriJustify_STANDARD;
                break;
            case Alignment::Left:
                justify = css::table::CellHoriJustify_LEFT;
                break;
            case Alignment::Center:
                justify = css::table::CellHoriJustify_CENTER;
                break;
            case Alignment::Right:
                justify = css::table::CellHoriJustify_RIGHT;
                break;
        }
        guarded([&] { properties(cells)->setPropertyValue("HoriJustify", Any(justify)); });
    }

    void autoFit() override {
        guarded([&] {
            Ref<css::sheet::XSheetCellCursor> cursor = sheet()->createCursor();
            Ref<css::sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
            const css::table::CellRangeAddress end =
                Ref<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
            Ref<css::table::XColumnRowRange> used(
                sheet()->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow), UNO_QUERY_THROW);
            Ref<css::beans::XPropertySet>(used->getRows(), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalHeight", Any(true));
            Ref<css::beans::XPropertySet>(used->getColumns(), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalWidth", Any(true));
        });
    }

    void selectFirstCell() override {
        guarded([&] {
            Ref<css::view::XSelectionSupplier>(model()->getCurrentController(), UNO_QUERY_THROW)
                ->select(Any(sheet()->getCellRangeByName("A1")));
        });
    }

    void print() override {
        const QString file = printFile();
        const QString wanted = printerName();
        guarded([&] {
            Ref<css::view::XPrintable> printable(model(), UNO_QUERY_THROW);
            if (!wanted.isEmpty()) {
                // The office falls back to its default printer for a name it does not know.
                printable->setPrinter(uno::properties({{"Name", Any(str(wanted))}}));
                if (printerOf(printable) != wanted)
                    throw OfficeError(QStringLiteral("Принтер «%1» не найден").arg(wanted));
            }
            const QString printer = printerOf(printable);
            if (printer.isEmpty() && file.isEmpty())
                throw OfficeError(QStringLiteral("Принтер не установлен"));

            Ref<css::view::XPrintJobBroadcaster> jobs(model(), UNO_QUERY_THROW);
            rtl::Reference<PrintJobWatch> watch(new PrintJobWatch);
            const Ref<css::view::XPrintJobListener> listener(watch.get());
            jobs->addPrintJobListener(listener);
            struct Unwatch {
                Ref<css::view::XPrintJobBroadcaster> jobs;
                Ref<css::view::XPrintJobListener> watch;
                ~Unwatch() {
                    try {
                        jobs->removePrintJobListener(watch);
                    } catch (...) {
                    }
                }
            } unwatch{jobs, listener};

            // The active sheet only, all of its pages; back when it is printed.
            const Any activeSheet(sheet());
            if (file.isEmpty())
                printable->print(
                    uno::properties({{"Wait", Any(true)}, {"Selection", activeSheet}}));
            else
                printable->print(uno::properties({{"Wait", Any(true)},
                                                  {"Selection", activeSheet},
                                                  {"FileName", Any(fileUrl(file))}}));

            const auto outcome = watch->outcome(2000);
            if (outcome == css::view::PrintableState_JOB_ABORTED)
                throw OfficeError(QStringLiteral("Печать прервана"));
            if (outcome == css::view::PrintableState_JOB_FAILED ||
                outcome == css::view::PrintableState_JOB_SPOOLING_FAILED)
                throw OfficeError(
                    file.isEmpty()
                        ? QStringLiteral(
                              "Не удалось напечатать на принтере «%1»: принтер недоступен")
                              .arg(printer)
                        : QStringLiteral("Не удалось напечатать в файл %1")
                              .arg(QDir::toNativeSeparators(file)));
        });
    }

    QRect show(const QSize& roomBeside) override {
        const QRect shown = document_.show(roomBeside);
        // What the user sees is the sheet that was filled, whatever the file's own view says.
        guarded([&] {
            Ref<css::sheet::XSpreadsheetView>(model()->getCurrentController(), UNO_QUERY_THROW)
                ->setActiveSheet(sheet_);
        });
        return shown;
    }
    void raise() override { document_.raise(); }
    void close() override { document_.close(); }
    void leaveOpen() override { document_.leaveOpen(); }

    void saveCopy(const QString& basePath) override {
        // The PDF shows what print() would print: the active sheet.
        const Any onlyActiveSheet(uno::properties({{"Selection", Any(sheet())}}));
        document_.storeCopy(basePath + QStringLiteral(".pdf"), "calc_pdf_Export", onlyActiveSheet);
        document_.storeCopy(basePath + QStringLiteral(".ods"), "calc8");
    }

private:
    // The merged area the cell lies in, or the cell itself.
    CellRange mergedAreaAt(int row, int column) {
        Ref<css::sheet::XSheetCellCursor> cursor =
            sheet()->createCursorByRange(Ref<css::sheet::XSheetCellRange>(
                sheet()->getCellRangeByPosition(column - 1, row - 1, column - 1, row - 1),
                UNO_QUERY_THROW));
        cursor->collapseToMergedArea();
        const css::table::CellRangeAddress a =
            Ref<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
        return CellRange::of(a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1);
    }

    // Rows grow to show whole what was written into them: as high as their texts need at their
    // cells' fonts, widths and wrapping, never lower than the template made them. (An Excel
    // template's rows all come in with fixed heights, which the office would otherwise keep
    // over a text that wraps onto a second line.)
    void growRows(int first, int last) {
        const Ref<css::table::XTableRows> rows =
            Ref<css::table::XColumnRowRange>(sheet(), UNO_QUERY_THROW)->getRows();
        for (int row = first; row <= last; ++row) {
            const Ref<css::beans::XPropertySet> line(rows->getByIndex(row - 1), UNO_QUERY_THROW);
            auto made = templateHeights_.find(row);
            if (made == templateHeights_.end()) {
                sal_Int32 height = 0;
                line->getPropertyValue("Height") >>= height;
                made = templateHeights_.emplace(row, height).first;
            }
            line->setPropertyValue("OptimalHeight", Any(true));
            sal_Int32 needed = 0;
            line->getPropertyValue("Height") >>= needed;
            if (needed < made->second) line->setPropertyValue("Height", Any(made->second));
        }
    }

    const Ref<css::sheet::XSpreadsheet>& sheet() const {
        document_.model();  // an error once closed
        return sheet_;
    }

    static void checkCell(int row, int column) {
        if (row < 1 || column < 1)
            throw OfficeError(QStringLiteral("Нет ячейки в строке %1, столбце %2 (счёт идёт с 1)")
                                  .arg(row)
                                  .arg(column));
    }

    Ref<css::table::XCellRange> range(const CellRange& cells) const {
        const CellRange r = CellRange::of(cells.top, cells.left, cells.bottom, cells.right);
        checkCell(r.top, r.left);
        return sheet()->getCellRangeByPosition(r.left - 1, r.top - 1, r.right - 1, r.bottom - 1);
    }

    Ref<css::beans::XPropertySet> properties(const CellRange& cells) const {
        return Ref<css::beans::XPropertySet>(range(cells), UNO_QUERY_THROW);
    }

    OpenDocument document_;
    Ref<css::sheet::XSpreadsheet> sheet_;
    std::map<int, sal_Int32> templateHeights_;  // row -> its height before we first grew it
};

}  // namespace

std::unique_ptr<Spreadsheet> makeSpreadsheet(const Ref<css::lang::XComponent>& component) {
    return std::make_unique<CalcSpreadsheet>(component);
}

Ref<css::frame::XModel> modelOf(Spreadsheet& spreadsheet) {
    auto* calc = dynamic_cast<CalcSpreadsheet*>(&spreadsheet);
    return calc ? calc->model() : Ref<css::frame::XModel>();
}

}  // namespace office::uno
