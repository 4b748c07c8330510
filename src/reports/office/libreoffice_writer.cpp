// Text documents of the LibreOffice office: Writer documents typed into at a cursor of their own.
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/BreakType.hpp>
#include <com/sun/star/style/ParagraphAdjust.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <vector>

#include "reports/office/libreoffice_uno.h"

namespace office::uno {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// The size of table cell text, in points.
constexpr float cellPoints = 8.0f;

using Settings = std::vector<std::pair<rtl::OUString, Any>>;

// Writer's cursors, tables and cell ranges take properties one by one.
void setAll(const Ref<css::uno::XInterface>& object, const Settings& settings) {
    const Ref<css::beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    for (const auto& [name, value] : settings) properties->setPropertyValue(name, value);
}

class WriterDocument final : public TextDocument {
public:
    explicit WriterDocument(const Ref<css::lang::XComponent>& component) : document_(component) {
        guarded([&] {
            text_ = Ref<css::text::XTextDocument>(document_.model(), UNO_QUERY_THROW)->getText();
            cursor_ = text_->createTextCursor();
            cursor_->gotoEnd(false);
        });
    }

    Ref<css::frame::XModel> model() const { return document_.model(); }

    void setLandscape() override {
        guarded([&] {
            rtl::OUString styleName;
            Ref<css::beans::XPropertySet>(cursor(), UNO_QUERY_THROW)
                ->getPropertyValue("PageStyleName") >>= styleName;
            Ref<css::container::XNameAccess> pageStyles(
                Ref<css::style::XStyleFamiliesSupplier>(model(), UNO_QUERY_THROW)
                    ->getStyleFamilies()
                    ->getByName("PageStyles"),
                UNO_QUERY_THROW);
            Ref<css::beans::XPropertySet> style(pageStyles->getByName(styleName), UNO_QUERY_THROW);
            sal_Int32 width = 0;
            sal_Int32 height = 0;
            style->getPropertyValue("Width") >>= width;
            style->getPropertyValue("Height") >>= height;
            style->setPropertyValue("IsLandscape", Any(true));
            style->setPropertyValue("Width", Any(std::max(width, height)));
            style->setPropertyValue("Height", Any(std::min(width, height)));
        });
    }

    void setFont(double points, bool bold) override {
        font_ = {
            {"CharHeight", Any(static_cast<float>(points))},
            {"CharWeight", Any(bold ? css::awt::FontWeight::BOLD : css::awt::FontWeight::NORMAL)}};
        // Also on the cursor itself, so that an empty paragraph carries it on.
        guarded([&] { setAll(cursor(), font_); });
    }

    void setCentered(bool centered) override {
        guarded([&] {
            Ref<css::beans::XPropertySet>(cursor(), UNO_QUERY_THROW)
                ->setPropertyValue(
                    "ParaAdjust",
                    Any(static_cast<sal_Int16>(centered ? css::style::ParagraphAdjust_CENTER
                                                        : css::style::ParagraphAdjust_LEFT)));
        });
    }

    void typeText(const QString& text) override {
        if (text.isEmpty()) return;
        guarded([&] {
            // The cursor takes the text (each "\r" ending a paragraph) and then spans it: the font
            // goes on exactly what was typed, and the cursor moves behind it.
            cursor()->setString(str(text));
            setAll(cursor_, font_);
            cursor_->collapseToEnd();
        });
    }

    void typeParagraph() override {
        guarded([&] {
            text_->insertControlCharacter(at(), css::text::ControlCharacter::PARAGRAPH_BREAK,
                                          false);
        });
    }

    void goToEnd() override {
        guarded([&] { cursor()->gotoEnd(false); });
    }

    void insertPageBreak() override {
        guarded([&] {
            text_->insertControlCharacter(at(), css::text::ControlCharacter::PARAGRAPH_BREAK,
                                          false);
            Ref<css::beans::XPropertySet>(cursor_, UNO_QUERY_THROW)
                ->setPropertyValue("BreakType", Any(css::style::BreakType_PAGE_BEFORE));
        });
    }

    int addTable(int rows, int columns) override {
        if (rows < 1 || columns < 1)
            throw OfficeError(
                QStringLiteral("Неверный размер таблицы: %1 на %2").arg(rows).arg(columns));
        guarded([&] {
            Ref<css::text::XTextTable> table(
                Ref<css::lang::XMultiServiceFactory>(model(), UNO_QUERY_THROW)
                    ->createInstance("com.sun.star.text.TextTable"),
                UNO_QUERY_THROW);
            table->initialize(rows, columns);
            text_->insertTextContent(at(), Ref<css::text::XTextContent>(table.get()), false);
            setAll(table,
                   Settings{{"RepeatHeadline", Any(false)}, {"TableBorder2", Any(ruledBorder())}});
            formatCells(table, 0, rows - 1, columns);
            tables_.push_back(table);
        });
        return static_cast<int>(tables_.size());
    }

    void setCellText(int table, int row, int column, const QString& text) override {
        const Ref<css::text::XTextTable>& t = this->table(table);
        if (row < 1 || column < 1)
            throw OfficeError(QStringLiteral("Нет ячейки в строке %1, столбце %2 таблицы %3")
                                  .arg(row)
                                  .arg(column)
                                  .arg(table));
        guarded([&] {
            Ref<css::text::XTextRange>(Ref<css::table::XCellRange>(t, UNO_QUERY_THROW)
                                           ->getCellByPosition(column - 1, row - 1),
                                       UNO_QUERY_THROW)
                ->setString(str(text));
        });
    }

    void addRow(int table) override {
        const Ref<css::text::XTextTable>& t = this->table(table);
        guarded([&] {
            const Ref<css::table::XTableRows> rows = t->getRows();
            const sal_Int32 count = rows->getCount();
            rows->insertByIndex(count, 1);
            formatCells(t, count, count, t->getColumns()->getCount());
        });
    }

    int columnCount(int table) override {
        const Ref<css::text::XTextTable>& t = this->table(table);
        return guarded([&] { return static_cast<int>(t->getColumns()->getCount()); });
    }

    QRect show(const QSize& roomBeside) override { return document_.show(roomBeside); }
    void raise() override { document_.raise(); }
    void close() override { document_.close(); }
    void leaveOpen() override { document_.leaveOpen(); }

    void saveCopy(const QString& basePath) override {
        document_.storeCopy(basePath + QStringLiteral(".pdf"), "writer_pdf_Export");
        document_.storeCopy(basePath + QStringLiteral(".odt"), "writer8");
    }

private:
    const Ref<css::text::XTextCursor>& cursor() const {
        document_.model();  // an error once closed
        return cursor_;
    }

    // The cursor as the place where things go in.
    Ref<css::text::XTextRange> at() const { return Ref<css::text::XTextRange>(cursor().get()); }

    const Ref<css::text::XTextTable>& table(int number) const {
        document_.model();
        if (number < 1 || number > static_cast<int>(tables_.size()))
            throw OfficeError(QStringLiteral("Нет таблицы %1 в документе").arg(number));
        return tables_[static_cast<std::size_t>(number - 1)];
    }

    // Rows first..last (from 0) of a table take 8 pt centred, not bold text, set on the cells
    // themselves.
    static void formatCells(const Ref<css::text::XTextTable>& table, sal_Int32 first,
                            sal_Int32 last, sal_Int32 columns) {
        setAll(Ref<css::table::XCellRange>(table, UNO_QUERY_THROW)
                   ->getCellRangeByPosition(0, first, columns - 1, last),
               Settings{{"CharHeight", Any(cellPoints)},
                        {"CharWeight", Any(css::awt::FontWeight::NORMAL)},
                        {"ParaAdjust",
                         Any(static_cast<sal_Int16>(css::style::ParagraphAdjust_CENTER))}});
    }

    OpenDocument document_;
    Ref<css::text::XText> text_;
    Ref<css::text::XTextCursor> cursor_;
    Settings font_;  // none until setFont()
    std::vector<Ref<css::text::XTextTable>> tables_;
};

}  // namespace

std::unique_ptr<TextDocument> makeTextDocument(const Ref<css::lang::XComponent>& component) {
    return std::make_unique<WriterDocument>(component);
}

Ref<css::frame::XModel> modelOf(TextDocument& document) {
    auto* writer = dynamic_cast<WriterDocument*>(&document);
    return writer ? writer->model() : Ref<css::frame::XModel>();
}

}  // namespace office::uno
