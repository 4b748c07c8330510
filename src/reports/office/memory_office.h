// The in-memory office: documents that only record what was done to them, for the writers'
// tests. Each document made stays readable through the office after its object is gone.
#pragma once

#include <QMap>
#include <QSet>
#include <memory>
#include <utility>
#include <vector>

#include "reports/office/office.h"

namespace office {

struct MemorySheet {
    QString templatePath;  // empty for a blank spreadsheet
    QMap<std::pair<int, int>, QString> cells;
    QList<CellRange> ruled;
    QList<CellRange> bold;
    QList<CellRange> merged;
    QList<std::pair<CellRange, Alignment>> alignments;
    int blockWrites = 0;  // setTexts calls
    bool autoFitted = false;
    bool firstCellSelected = false;
    int printed = 0;
    bool shown = false;
    bool closed = false;
    bool leftOpen = false;
    QStringList copies;  // base paths of the saved copies

    QString text(int row, int column) const { return cells.value({row, column}); }
    // The last row holding a text, 0 for none.
    int lastRow() const;
    // Still open: neither closed nor dropped without being left open.
    bool open() const { return !closed; }
};

struct MemoryParagraph {
    QString text;
    double points = 12;
    bool bold = false;
    bool centered = false;
    bool pageBreakBefore = false;
};

struct MemoryTable {
    int afterParagraph = 0;  // the number of paragraphs before it
    QList<QStringList> rows;
};

struct MemoryTextDocument {
    bool landscape = false;
    QList<MemoryParagraph> paragraphs{MemoryParagraph{}};
    QList<MemoryTable> tables;
    bool shown = false;
    bool closed = false;
    bool leftOpen = false;
    QStringList copies;
};

class MemoryOffice : public Office {
public:
    std::unique_ptr<Spreadsheet> newSpreadsheet(const QString& templatePath = {}) override;
    std::unique_ptr<TextDocument> newTextDocument() override;

    // Every document made, in order.
    std::vector<std::shared_ptr<MemorySheet>> sheets;
    std::vector<std::shared_ptr<MemoryTextDocument>> textDocuments;

    // Faults to try: printing fails as with no printer; a write to this row fails.
    bool printerMissing = false;
    int failingRow = 0;
};

}  // namespace office
