// The write-back statements of a buffered dataset (modify, insert, delete; refresh is kept as
// text).
#pragma once

#include <QString>
#include <QStringList>

namespace data {

struct UpdateSql {
    QString modifySql;
    QString insertSql;
    QString deleteSql;
    QString refreshSql;

    // The usual shape for table T with key K and columns (K included):
    // update T set K = :K, C = :C ... where K = :OLD_K; insert into T (K, C...) values (:K, :C...);
    // delete from T where K = :OLD_K.
    static UpdateSql standard(const QString& table, const QString& key, const QStringList& columns);
};

}  // namespace data
