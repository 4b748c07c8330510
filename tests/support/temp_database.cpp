#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <stdexcept>

#include "data/schema.h"
#include "support/fixtures_folder.h"

namespace testing_support {
namespace {

// Whether this process has the file open: the embedded engine keeps a database file open while
// anything is attached to it (and longer, where the database asks it to linger).
bool openInThisProcess(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target) return true;
    return false;
}

// The schema runs once per test binary: the first database is made from it into a folder
// that lives as long as the process, and every TempDatabase starts as a copy of that file.
// Nothing attaches to the template after createMainDatabase has closed its attachment; the
// check below makes sure the engine has let go of the file too, so no copy is taken of a
// database whose pages the engine may still hold.
QString templateDatabase() {
    static QTemporaryDir folder;
    static const QString path = [] {
        if (!folder.isValid())
            throw std::runtime_error("no temporary folder for the template database: " +
                                     folder.errorString().toStdString());
        const QString p = folder.filePath(QStringLiteral("template.fdb"));
        // A previous attempt that failed half-way leaves a file the engine would not overwrite.
        QFile::remove(p);
        data::createMainDatabase(p);
        if (openInThisProcess(p))
            throw std::runtime_error("the engine still holds the template database open: " +
                                     p.toStdString());
        return p;
    }();
    return path;
}

void copyDatabase(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.copy(to))
        throw std::runtime_error("cannot copy the template database to " + to.toStdString() + ": " +
                                 source.errorString().toStdString());
    // The copy is this test's own database, written to as freely as a newly created one.
    QFile::setPermissions(to, QFile::permissions(to) | QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace

TempDatabase::TempDatabase(const QStringList& extraSql) {
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for a test database: " +
                                 dir_.errorString().toStdString());
    path_ = dir_.filePath(QStringLiteral("test.fdb"));
    copyDatabase(templateDatabase(), path_);
    if (!extraSql.isEmpty()) exec(extraSql);
}

TempDatabase::TempDatabase(BeforeChangeLog) {
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for a test database: " +
                                 dir_.errorString().toStdString());
    path_ = dir_.filePath(QStringLiteral("earlier.fdb"));
    QProcess gunzip;
    gunzip.setStandardOutputFile(path_);
    gunzip.start(QStringLiteral("gzip"),
                 {QStringLiteral("-dc"),
                  QStringLiteral(LABJOURNAL_TEST_FIXTURES "/database_before_change_log.fdb.gz")});
    if (!gunzip.waitForFinished(60000) || gunzip.exitStatus() != QProcess::NormalExit ||
        gunzip.exitCode() != 0)
        throw std::runtime_error("the earlier version's database could not be unpacked: " +
                                 gunzip.readAllStandardError().toStdString());
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
    db::Transaction tr(*c, {db::Isolation::Snapshot});
    for (const QString& s : sql) db::executeSql(tr, s);
    tr.commit();
}

void TempDatabase::exec(const QString& sql, const QVariantMap& params) const {
    auto c = connect();
    db::Transaction tr(*c, {db::Isolation::Snapshot});
    db::executeSql(tr, sql, params);
    tr.commit();
}

QVariant TempDatabase::scalar(const QString& sql, const QVariantMap& params) const {
    auto c = connect();
    db::Transaction tr(*c, db::kReadOnlySnapshot);
    const auto r = db::queryRows(tr, sql, params);
    return r.empty() ? QVariant() : r.front().value(0);
}

std::vector<QVector<QVariant>> TempDatabase::rows(const QString& sql) const {
    auto c = connect();
    db::Transaction tr(*c, db::kReadOnlySnapshot);
    return db::queryRows(tr, sql);
}

}  // namespace testing_support
