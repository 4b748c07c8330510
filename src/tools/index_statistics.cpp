#include "tools/index_statistics.h"

#include "db/firebird.h"

namespace tools {

QString quotedIdentifier(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QStringList recomputeIndexStatistics(db::Connection& connection) {
    db::Transaction tr(connection, db::kSnapshotWaiting);
    tr.start();
    QStringList names;
    for (const auto& row :
         db::queryRows(tr,
                       "select rdb$index_name from rdb$indices "
                       "where coalesce(rdb$system_flag, 0) = 0 "
                       "and coalesce(rdb$index_inactive, 0) = 0 order by rdb$index_name")) {
        // The name column pads with blanks; a quoted name may begin with one, never end so.
        QString name = row.at(0).toString();
        while (name.endsWith(QLatin1Char(' '))) name.chop(1);
        names << name;
    }
    for (const QString& name : names)
        db::executeRaw(tr, QStringLiteral("SET STATISTICS INDEX %1").arg(quotedIdentifier(name)));
    tr.commit();
    return names;
}

}  // namespace tools
