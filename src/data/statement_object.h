// A statement object: one SQL text set as a whole, executed, and read row by row.
#pragma once

#include <QVariant>
#include <QVector>
#include <optional>

#include "db/firebird.h"

namespace data {

class StatementObject {
public:
    explicit StatementObject(db::Transaction& transaction) : transaction_(transaction) {}

    db::Transaction& transaction() const { return transaction_; }

    void close();
    void setSql(const QString& sql);
    const QString& sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value);
    // Runs the statement; a select then stands on its first row (eof() when there is none).
    void execute();
    bool eof() const { return !hasRow_; }
    void next();
    QVariant value(const QString& column) const;
    QVariant value(int column) const { return row_.value(column); }
    int columnCount() const { return columns_.size(); }

private:
    db::Transaction& transaction_;
    QString sql_;
    std::optional<db::Statement> statement_;
    std::optional<db::Cursor> cursor_;
    QVector<db::ColumnInfo> columns_;
    QVector<QVariant> row_;
    bool hasRow_ = false;
};

}  // namespace data
