// Recomputing the selectivity figures the optimizer plans with.
#pragma once

#include <QStringList>

namespace db {
class Connection;
}

namespace tools {

// Runs SET STATISTICS INDEX for every active index that is not the engine's own, in one
// committed transaction. Firebird keeps the figures of the day an index was built and never
// recomputes them by itself. Returns the names of the indexes recomputed.
QStringList recomputeIndexStatistics(db::Connection& connection);

// An identifier as SQL text: in double quotes, inner quotes doubled, so that any name the
// database holds (mixed case, blanks, quotes) is named exactly.
QString quotedIdentifier(const QString& name);

}  // namespace tools
