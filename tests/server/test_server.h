// Test helper: the Firebird server the server tests run against (scripts/firebird-test-server,
// started by CTest before them) and databases made on it from the shipped schema.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "db/firebird.h"

namespace testing_support {

class TestServer {
public:
    // The server CTest started; throws when there is none.
    static TestServer& instance();

    QString port;
    QString password;   // its SYSDBA's
    QString databases;  // a folder the server writes its databases in

    // "localhost/PORT:/folder/file", as a workstation's Reg.INI names it.
    QString databaseName(const QString& file) const;
    // kill -9 of the server process, as a crash would leave it.
    void crash();
    // Starts it again (same port and password) after a crash.
    void restart();

private:
    void run(const QString& command);
    QString state_;
    QString script_;
};

// A new database on the test server made from the shipped schema; dropped with the object.
class ServerDatabase {
public:
    explicit ServerDatabase(const QStringList& extraSql = {});
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    const QString& name() const { return name_; }
    // A fresh attachment of another workstation, as SYSDBA.
    std::unique_ptr<db::Connection> connect() const;
    void exec(const QStringList& sql) const;
    QVariant scalar(const QString& sql, const QVariantMap& params = {}) const;

private:
    QString name_;
};

}  // namespace testing_support
