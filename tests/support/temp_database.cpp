#include "support/temp_database.h"

#include <gtest/gtest.h>

#include "data/schema.h"

namespace testing_support {

TempDatabase::TempDatabase(const QStringList& extraSql) {
    path_ = dir_.filePath(QStringLiteral("test.fdb"));
    data::createMainDatabase(path_);
    if (!extraSql.isEmpty()) exec(extraSql);
}

TempDatabase::~TempDatabase() = default;

std::unique_ptr<db::Connection> TempDatabase::connect() const {
    auto c = std::make_unique<db::Connection>();
    c->setDatabaseName(path_);
    c->setParams({"lc_ctype=WIN1251", "user_name=SYSDBA", "password=masterkey"});
    c->open();
    return c;
}

void TempDatabase::exec(const QStringList& sql) const {
    auto c = connect();
    db::Transaction tr(*c, {"write", "concurrency", "nowait"});
    for (const QString& s : sql) db::executeSql(tr, s);
    tr.commit();
}

void TempDatabase::exec(const QString& sql, const QVariantMap& params) const {
    auto c = connect();
    db::Transaction tr(*c, {"write", "concurrency", "nowait"});
    db::executeSql(tr, sql, params);
    tr.commit();
}

QVariant TempDatabase::scalar(const QString& sql, const QVariantMap& params) const {
    auto c = connect();
    db::Transaction tr(*c, {"read", "concurrency"});
    const auto r = db::queryRows(tr, sql, params);
    return r.empty() ? QVariant() : r.front().value(0);
}

std::vector<QVector<QVariant>> TempDatabase::rows(const QString& sql) const {
    auto c = connect();
    db::Transaction tr(*c, {"read", "concurrency"});
    return db::queryRows(tr, sql);
}

}  // namespace testing_support
