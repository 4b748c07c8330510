// The one error type of the database layer: the server's own message, SQLCODE, GDS code and
// SQLSTATE, and what kind of failure it is where the program treats kinds differently.
#pragma once

#include <QString>
#include <stdexcept>
#include <utility>

namespace db {

enum class FailureKind {
    Other,
    // The record is being changed by another transaction (another workstation): nothing of the
    // statement was done; the same change may be tried again once the other is done.
    Conflict,
    // The attachment is gone (server stopped or unreachable): nothing uncommitted survived; the
    // connection attaches again at its next use.
    ConnectionLost,
    // The user cancelled the login prompt.
    Cancelled,
};

class DbError : public std::runtime_error {
public:
    DbError(const QString& message, int sqlCode = 0, long gdsCode = 0,
            FailureKind kind = FailureKind::Other, QString sqlState = {})
        : std::runtime_error(message.toStdString()),
          message_(message),
          sqlState_(std::move(sqlState)),
          sqlCode_(sqlCode),
          gdsCode_(gdsCode),
          kind_(kind) {}

    const QString& message() const { return message_; }
    int sqlCode() const { return sqlCode_; }
    long gdsCode() const { return gdsCode_; }
    // The five characters of the standard's SQLSTATE ("23000", "HY000" for a general error);
    // empty for the program's own refusals, which never reached the server.
    const QString& sqlState() const { return sqlState_; }
    FailureKind kind() const { return kind_; }

private:
    QString message_;
    QString sqlState_;
    int sqlCode_;
    long gdsCode_;
    FailureKind kind_;
};

}  // namespace db
