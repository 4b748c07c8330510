#include "reports/grid_export.h"

#include <algorithm>

#include <QStringList>

#include "reports/issuing.h"
#include "reports/office/office.h"
#include "ui/db_grid.h"

namespace reports {

void exportGrid(const ui::DbGrid& grid, const Session& session, QWidget* parent,
                const QString& question) {
    const QAbstractItemModel* model = grid.model();
    const int columns = model->columnCount();
    const int rows = model->rowCount();
    QStringList titles;
    QList<QStringList> block;
    for (int c = 0; c < columns; ++c) {
        const bool shown = !grid.isColumnHidden(c);
        titles << (shown ? model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()
                         : QString());
    }
    for (int r = 0; r < rows; ++r) {
        QStringList line;
        for (int c = 0; c < columns; ++c)
            line << (grid.isColumnHidden(c) ? QString()
                                            : model->data(model->index(r, c)).toString());
        block << line;
    }

    std::unique_ptr<office::Spreadsheet> sheet = office::office().newSpreadsheet();
    if (columns > 0) {
        sheet->setTexts(1, 1, {titles});
        const office::CellRange header = office::CellRange::of(1, 1, 1, columns);
        sheet->setRuled(header);
        sheet->setBold(header);
        if (rows > 0) sheet->setTexts(2, 1, block);
        // The records' ruling reaches from row 2 down to the last record; with no records it
        // spans rows 1 and 2, an empty ruled row under the titles.
        sheet->setRuled(
            office::CellRange::of(std::min(2, rows + 1), 1, std::max(2, rows + 1), columns));
    }
    sheet->autoFit();
    sheet->selectFirstCell();
    keepCopy(*sheet, session, QStringLiteral("export"));
    showAndAsk(*sheet, parent, question);
}

}  // namespace reports
