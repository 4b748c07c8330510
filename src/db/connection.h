// One attachment to a database: its parameters, the login prompt, and attaching again after the
// server was lost. Single-threaded, as every class of the layer.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "db/db_error.h"
#include "db/owned_interface.h"

namespace Firebird {
class IAttachment;
}  // namespace Firebird

namespace db {

struct LoginRequest {
    QString databaseName;
    QString userName;
    QString password;
};
// Returns false when the user cancels.
using LoginHandler = std::function<bool(LoginRequest&)>;

class Transaction;

// A database is a local file (opened by the embedded engine) or a server's one: server:/path,
// server/port:/path.
bool isServerPath(const QString& database);

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
    void rollBackRunningTransactions();

    QString databaseName_;
    QStringList params_;
    bool loginPrompt_ = false;
    LoginHandler loginHandler_;
    std::optional<QString> loginPassword_;     // typed in the prompt, for the attempt under way
    std::optional<QString> acceptedPassword_;  // the prompt's password the server accepted
    bool lost_ = false;
    detail::Owned<Firebird::IAttachment> attachment_;
    quint64 generation_ = 0;
    std::vector<Transaction*> transactions_;
};

}  // namespace db
