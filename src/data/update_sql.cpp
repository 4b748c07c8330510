#include "data/update_sql.h"

namespace data {

UpdateSql UpdateSql::standard(const QString& table, const QString& key,
                              const QStringList& columns) {
    QStringList sets, params;
    for (const QString& c : columns) {
        sets << QStringLiteral("%1 = :%1").arg(c);
        params << u':' + c;
    }
    UpdateSql u;
    u.modifySql = QStringLiteral("update %1 set %2 where %3 = :OLD_%3")
                      .arg(table, sets.join(QStringLiteral(", ")), key);
    u.insertSql =
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(table, columns.join(QStringLiteral(", ")), params.join(QStringLiteral(", ")));
    u.deleteSql = QStringLiteral("delete from %1 where %2 = :OLD_%2").arg(table, key);
    u.refreshSql = QStringLiteral("select %2 from %1 where %3 = :%3")
                       .arg(table, columns.join(QStringLiteral(", ")), key);
    return u;
}

}  // namespace data
