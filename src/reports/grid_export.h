// A grid's rows copied into a new spreadsheet: the titles of its shown columns, then one row per
// record with the texts the grid shows (dates as 10.12.2026, codes by their captions).
#pragma once

#include <QString>

struct Session;
class QWidget;

namespace ui {
class DbGrid;
}

namespace reports {

// Fills, keeps a copy of, shows and asks with the question. The grid stays on its record. A
// column hidden in the grid is left out, title and values alike; the others keep their places.
void exportGrid(const ui::DbGrid& grid, const Session& session, QWidget* parent,
                const QString& question = QStringLiteral("Закрыть EXCEL?"));

}  // namespace reports
