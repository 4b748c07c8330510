// The office documents the program makes, behind one interface: spreadsheets (new, or from a
// template) and text documents. Two implementations: LibreOffice driven through UNO, what users
// get, and an in-memory model that the writers' tests read. Rows, columns, tables and their cells
// count from 1 here; a backend converts once, inside.
//
// A document object owns its document: destroyed without leaveOpen() it closes the document
// unsaved, so a writer that fails midway leaves nothing half-filled behind.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

namespace office {

// A failure of the office, with its own message (or ours, in Russian, where it has none).
class OfficeError : public std::runtime_error {
public:
    explicit OfficeError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A rectangle of cells; of() puts its corners in order, whichever way they were given.
struct CellRange {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;

    static CellRange of(int row1, int column1, int row2, int column2);
    static CellRange cell(int row, int column) { return of(row, column, row, column); }
    bool operator==(const CellRange& other) const = default;
};

enum class Alignment { General, Left, Center, Right };

// One spreadsheet document; the operations work on its active sheet.
class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;

    // Cell values are literal text: "+", "1/2", "1:40" and "=A1" stay as typed.
    virtual void setText(int row, int column, const QString& text) = 0;
    // A block of rows (all of one length) from (row, column), written in one call.
    virtual void setTexts(int row, int column, const QList<QStringList>& rows) = 0;
    // Ruled: thin solid lines around every cell of the range, outside and inside.
    virtual void setRuled(const CellRange& range) = 0;
    virtual void setBold(const CellRange& range) = 0;
    virtual void merge(const CellRange& range) = 0;
    virtual void setAlignment(const CellRange& range, Alignment alignment) = 0;
    // Rows and columns of the used area fitted to their content.
    virtual void autoFit() = 0;
    // The cursor to A1.
    virtual void selectFirstCell() = 0;
    // Prints the active sheet from its first page and returns when it is printed; no printer is
    // an error.
    virtual void print() = 0;
    // Makes the document visible to the user, its window in front of the others and active.
    // When that window covers so much of the screen that a window of `roomBeside` could not
    // stand on any side of it, it is shortened or narrowed to leave that room. Returns where it
    // stands on the screen; both in the screen's pixels (empty when that is not known: no
    // screen, an office that shows nothing).
    virtual QRect show(const QSize& roomBeside = {}) = 0;
    // Puts the shown document's window in front of the others again, the focus staying where it
    // is (the program's own windows came to the front with a box of ours).
    virtual void raise() = 0;
    // Closes the document without saving.
    virtual void close() = 0;
    // Keeps the document open when this object goes (the user has it now).
    virtual void leaveOpen() = 0;
    // Saves a copy as basePath + ".pdf" and basePath + ".ods"; the document stays as it is.
    virtual void saveCopy(const QString& basePath) = 0;
};

// One text document; typing goes to its cursor.
class TextDocument {
public:
    virtual ~TextDocument() = default;

    // Landscape pages (width and height swapped).
    virtual void setLandscape() = 0;
    // The font of what is typed next.
    virtual void setFont(double points, bool bold) = 0;
    // Centred paragraphs from the cursor's paragraph on (or not).
    virtual void setCentered(bool centered) = 0;
    virtual void typeText(const QString& text) = 0;
    virtual void typeParagraph() = 0;
    // The cursor to the end of the document.
    virtual void goToEnd() = 0;
    virtual void insertPageBreak() = 0;
    // A ruled table of fixed column widths at the cursor; returns its number (from 1). Its cells
    // take 8 pt centred text.
    virtual int addTable(int rows, int columns) = 0;
    virtual void setCellText(int table, int row, int column, const QString& text) = 0;
    virtual void addRow(int table) = 0;
    virtual int columnCount(int table) = 0;
    // As the spreadsheet's.
    virtual QRect show(const QSize& roomBeside = {}) = 0;
    virtual void raise() = 0;
    virtual void close() = 0;
    virtual void leaveOpen() = 0;
    // basePath + ".pdf" and basePath + ".odt".
    virtual void saveCopy(const QString& basePath) = 0;
};

class Office {
public:
    virtual ~Office() = default;
    // A new spreadsheet, hidden while it is filled: blank for an empty path, otherwise a new
    // untitled document from the template (the file stays unchanged, its macros never run).
    // A missing template is an error naming the path.
    virtual std::unique_ptr<Spreadsheet> newSpreadsheet(const QString& templatePath = {}) = 0;
    virtual std::unique_ptr<TextDocument> newTextDocument() = 0;
};

// The office the program works with; LibreOffice unless another was installed.
Office& office();
// Installs another office (not owned); nullptr goes back to LibreOffice.
void setOffice(Office* office);

}  // namespace office
