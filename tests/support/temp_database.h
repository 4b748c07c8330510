// Test helper: a new main database in a temporary folder, dropped with the object.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <ostream>

#include "db/firebird.h"

// Readable test failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.typeName() << "(" << v.toString().toStdString() << ")";
}

namespace testing_support {

class TempDatabase {
public:
    // A database as the shipped schema makes it (a copy of one made once per test binary, so
    // each test has its own file); extraSql runs after it, statement by statement.
    explicit TempDatabase(const QStringList& extraSql = {});
    // A database made by the program's version before the change log (its create --demo, kept
    // as tests/fixtures/database_before_change_log.fdb.gz): directories, records and results
    // under the schema of that version.
    struct BeforeChangeLog {};
    explicit TempDatabase(BeforeChangeLog);
    ~TempDatabase();

    QString path() const { return path_; }
    QString folder() const { return dir_.path(); }

    // A fresh attachment for checks from "another workstation".
    std::unique_ptr<db::Connection> connect() const;
    // Runs statements in one committed transaction of a separate attachment.
    void exec(const QStringList& sql) const;
    void exec(const QString& sql, const QVariantMap& params = {}) const;
    // First column of the first row of a select, read through a separate attachment.
    QVariant scalar(const QString& sql, const QVariantMap& params = {}) const;
    std::vector<QVector<QVariant>> rows(const QString& sql) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

}  // namespace testing_support
