// The one error type of the database layer: the server's own message, SQLCODE and GDS code.
#pragma once

#include <QString>
#include <stdexcept>

namespace db {

class DbError : public std::runtime_error {
public:
    DbError(const QString& message, int sqlCode = 0, long gdsCode = 0)
        : std::runtime_error(message.toStdString()),
          message_(message),
          sqlCode_(sqlCode),
          gdsCode_(gdsCode) {}

    const QString& message() const { return message_; }
    int sqlCode() const { return sqlCode_; }
    long gdsCode() const { return gdsCode_; }

private:
    QString message_;
    int sqlCode_;
    long gdsCode_;
};

}  // namespace db
