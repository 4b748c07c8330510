// RAII classes over the Firebird client: connection, transaction, statement and cursor.
// Single-threaded: one object is used from one thread only.
#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "db/db_error.h"
#include "db/decimal.h"

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
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

struct LoginRequest {
    QString databaseName;
    QString userName;
    QString password;
};
// Returns false when the user cancels.
using LoginHandler = std::function<bool(LoginRequest&)>;

class Transaction;

// One attachment with its parameters ("lc_ctype=WIN1251", "user_name=...") and optional login
// prompt.
class Connection final {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setDatabaseName(const QString& path) { databaseName_ = path; }
    const QString& databaseName() const { return databaseName_; }
    void setParams(const QStringList& params) { params_ = params; }
    const QStringList& params() const { return params_; }
    QString param(const QString& name) const;
    void setParam(const QString& name, const QString& value);
    void setLoginPrompt(bool on) { loginPrompt_ = on; }
    bool loginPrompt() const { return loginPrompt_; }
    void setLoginHandler(LoginHandler handler) { loginHandler_ = std::move(handler); }

    // Shows the login prompt first when it is switched on; a cancelled prompt throws DbError.
    // After the attachment was lost it attaches again with the login that was accepted,
    // without asking.
    void open();
    // Rolls back transactions still running, then detaches.
    void close();
    bool isOpen() const { return attachment_ != nullptr; }
    // Whether the last attachment was lost (the server went away) and none was made since.
    bool isLost() const { return lost_; }
    // Lets go of an attachment found gone: nothing is sent to the server; running transactions
    // end (the server has dropped their work), prepared statements go stale, and the next use
    // attaches again.
    void forgetLostAttachment() noexcept;
    // Grows by one at each open: handles prepared on an earlier attachment are stale.
    quint64 generation() const { return generation_; }

    // Creates a new database file (dialect 3, WIN1251) and leaves the connection open on it.
    void createDatabase();
    // Deletes the database file of this (open) connection.
    void dropDatabase();

private:
    friend class Transaction;
    friend class Statement;
    friend class Cursor;
    QByteArray buildDpb(bool forCreate);
    void attach(bool create);

    QString databaseName_;
    QStringList params_;
    bool loginPrompt_ = false;
    LoginHandler loginHandler_;
    std::optional<QString> loginPassword_;     // typed in the prompt, for the attempt under way
    std::optional<QString> acceptedPassword_;  // the prompt's password the server accepted
    bool lost_ = false;
    Firebird::IAttachment* attachment_ = nullptr;
    quint64 generation_ = 0;
    std::vector<Transaction*> transactions_;
};

// A transaction with its parameter block ("read_committed", "rec_version", "nowait"...).
class Transaction final {
public:
    explicit Transaction(Connection& connection,
                         QStringList params = {"read_committed", "rec_version", "nowait"});
    ~Transaction();  // rolls back a running transaction, never throws
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Connection& connection() const { return connection_; }
    const QStringList& params() const { return params_; }
    void setParams(const QStringList& params) { params_ = params; }

    bool isActive() const { return handle_ != nullptr; }
    void start();
    // Connects (with the login prompt) and starts, as far as needed.
    void ensureStarted();
    void commit();
    void commitRetaining();
    // Commits the work done. With no cursor of this transaction open the transaction ends and
    // the next use starts a new one, so that no transaction context is kept all day; with a
    // cursor open it commits retaining, which keeps the cursor.
    void commitWork();
    void rollback();
    void rollbackRetaining();
    // Cursors of this transaction open now.
    int openCursors() const { return openCursors_; }

    // Next value of a generator, drawn in this transaction.
    qint64 nextGeneratorValue(const QString& generator);

private:
    friend class Connection;
    friend class Statement;
    friend class Cursor;
    void releaseAfterRollback() noexcept;

    Connection& connection_;
    QStringList params_;
    Firebird::ITransaction* handle_ = nullptr;
    int openCursors_ = 0;
};

struct StatementHandle;

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
    explicit Cursor(std::unique_ptr<State> state);
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
    bool hasParam(const QString& name) const;
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
    QByteArray buildInput(Firebird::IMessageMetadata** meta);

    Transaction& transaction_;
    QString sql_;
    bool paramCheck_ = true;
    QStringList positional_;  // the parameter name at each marker
    QHash<QString, QVariant> params_;
    std::shared_ptr<StatementHandle> handle_;
};

// Convenience: run one statement with parameters and return its rows.
std::vector<QVector<QVariant>> queryRows(Transaction& tr, const QString& sql,
                                         const QVariantMap& params = {});
qint64 executeSql(Transaction& tr, const QString& sql, const QVariantMap& params = {});
// Sends the text as it stands, without looking for parameters (DDL, PSQL).
void executeRaw(Transaction& tr, const QString& sql);

}  // namespace db
