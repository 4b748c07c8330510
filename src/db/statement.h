// Statements with named parameters and the forward cursors of their selects.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

#include "db/db_error.h"
#include "db/decimal.h"
#include "db/transaction.h"

namespace Firebird {
class IResultSet;
}  // namespace Firebird

namespace db {

enum class FieldType {
    Unknown,
    SmallInt,
    Integer,
    BigInt,
    Numeric,
    Double,
    Char,
    Varchar,
    Date,
    Time,
    Timestamp,
    Boolean,
    Blob
};

struct ColumnInfo {
    QString name;  // alias as the server reports it (upper case)
    FieldType type = FieldType::Unknown;
    int size = 0;   // characters of a text column, bytes otherwise
    int scale = 0;  // digits after the point of a NUMERIC column
};

namespace detail {
struct StatementHandle;
class InputMessage;
}  // namespace detail

// A forward cursor of a select; reads rows into QVariant vectors.
class Cursor final {
public:
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;
    ~Cursor();

    const QVector<ColumnInfo>& columns() const;
    // Reads the next row into row (resized to the column count); false at the end.
    bool fetch(QVector<QVariant>& row);
    void close();

private:
    friend class Statement;
    struct State;
    Cursor(std::shared_ptr<detail::StatementHandle> handle, Transaction& transaction,
           detail::Owned<Firebird::IResultSet> resultSet);
    std::unique_ptr<State> d;
};

// One SQL text with named parameters, prepared on first use in a given transaction.
class Statement final {
public:
    explicit Statement(Transaction& transaction, const QString& sql = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void setSql(const QString& sql);
    const QString& sql() const { return sql_; }
    Transaction& transaction() const { return transaction_; }
    // Off: the text is sent as it stands, :names included (PSQL bodies use them for variables).
    void setParamCheck(bool on);

    // Distinct parameter names (upper case) in order of first appearance.
    QStringList paramNames() const;
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const { return params_.value(name.toUpper()); }

    void prepare();
    bool isSelect();
    // What the server reports the prepared statement to be.
    enum class Kind { Select, SelectForUpdate, Insert, Update, Delete, Ddl, Commit, Rollback,
                      StartTransaction, ExecuteProcedure, SetGenerator, Savepoint, Other };
    Kind kind();
    QVector<ColumnInfo> columns();
    // Runs a statement without a result set; returns the rows it touched.
    qint64 execute();
    Cursor openCursor();

private:
    detail::InputMessage buildInput();

    Transaction& transaction_;
    QString sql_;
    bool paramCheck_ = true;
    QStringList positional_;  // the parameter name at each marker
    QHash<QString, QVariant> params_;
    std::shared_ptr<detail::StatementHandle> handle_;
};

// Convenience: run one statement with parameters and return its rows.
std::vector<QVector<QVariant>> queryRows(Transaction& tr, const QString& sql,
                                         const QVariantMap& params = {});
qint64 executeSql(Transaction& tr, const QString& sql, const QVariantMap& params = {});
// Sends the text as it stands, without looking for parameters (DDL, PSQL).
void executeRaw(Transaction& tr, const QString& sql);

}  // namespace db
