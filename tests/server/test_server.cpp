#include "server/test_server.h"

#include <QFile>
#include <QProcess>
#include <QUuid>
#include <stdexcept>

#include "data/schema.h"

namespace testing_support {

TestServer& TestServer::instance() {
    static TestServer server = [] {
        TestServer s;
        s.state_ = qEnvironmentVariable("LABJOURNAL_TEST_SERVER_STATE");
        s.script_ = qEnvironmentVariable("LABJOURNAL_TEST_SERVER_SCRIPT");
        QFile env(s.state_ + QStringLiteral("/server.env"));
        if (s.state_.isEmpty() || !env.open(QIODevice::ReadOnly))
            throw std::runtime_error(
                "no test server: run these tests through ctest, which starts one "
                "(scripts/firebird-test-server)");
        for (const QByteArray& line : env.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line);
            const qsizetype eq = text.indexOf(u'=');
            if (eq < 0) continue;
            const QString key = text.left(eq), value = text.mid(eq + 1);
            if (key == "PORT") s.port = value;
            if (key == "PASSWORD") s.password = value;
            if (key == "DATABASES") s.databases = value;
        }
        return s;
    }();
    return server;
}

QString TestServer::databaseName(const QString& file) const {
    return QStringLiteral("localhost/%1:%2/%3").arg(port, databases, file);
}

void TestServer::run(const QString& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(script_, {command, state_});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        throw std::runtime_error(("firebird-test-server " + command +
                                  " failed: " + QString::fromLocal8Bit(process.readAll()))
                                     .toStdString());
}

void TestServer::crash() {
    run(QStringLiteral("kill"));
}

void TestServer::restart() {
    run(QStringLiteral("start"));
}

ServerDatabase::ServerDatabase(const QStringList& extraSql) {
    const TestServer& server = TestServer::instance();
    name_ = server.databaseName(QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                QStringLiteral(".fdb"));
    data::createMainDatabase(name_, QStringLiteral("SYSDBA"), server.password);
    if (!extraSql.isEmpty()) exec(extraSql);
}

ServerDatabase::~ServerDatabase() {
    try {
        auto c = connect();
        c->dropDatabase();
    } catch (const std::exception&) {
        // The server's folder goes with the server at the end of the run.
    }
}

std::unique_ptr<db::Connection> ServerDatabase::connect() const {
    auto c = std::make_unique<db::Connection>();
    c->setDatabaseName(name_);
    c->setParams(
        {"lc_ctype=WIN1251", "user_name=SYSDBA", "password=" + TestServer::instance().password});
    c->open();
    return c;
}

void ServerDatabase::exec(const QStringList& sql) const {
    auto c = connect();
    db::Transaction tr(*c, {db::Isolation::Snapshot});
    tr.start();
    for (const QString& statement : sql) db::executeSql(tr, statement);
    tr.commit();
}

QVariant ServerDatabase::scalar(const QString& sql, const QVariantMap& params) const {
    auto c = connect();
    db::Transaction tr(*c, {db::Isolation::ReadCommitted, db::Access::ReadOnly});
    const auto rows = db::queryRows(tr, sql, params);
    tr.commit();
    return rows.empty() ? QVariant() : rows.front().value(0);
}

}  // namespace testing_support
