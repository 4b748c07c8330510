#include "tools/staff_logins.h"

#include <QRegularExpression>

#include "data/login_role.h"
#include "db/firebird.h"

namespace tools {
namespace {

const QString kRole = QString::fromLatin1(data::kStaffRole);

// A login name in double quotes, as user management writes it: checked first, since user
// management takes no parameters. Quoted, a name that is also an SQL word ("SELECT") is a name.
QString quotedLogin(const QString& name) {
    const QString checked = loginName(name);
    if (checked.isEmpty())
        throw db::DbError(QStringLiteral("Недопустимое имя пользователя: %1").arg(name));
    return u'"' + checked + u'"';
}

void runInOneTransaction(db::Connection& connection, const QStringList& statements) {
    db::Transaction transaction(connection, db::kSnapshotWaiting);
    transaction.start();
    for (const QString& statement : statements) db::executeRaw(transaction, statement);
    transaction.commit();
}

}  // namespace

QString loginName(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]{0,30}$"));
    return plain.match(text).hasMatch() ? text.toUpper() : QString();
}

QString quotedLiteral(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

bool loginExists(db::Connection& connection, const QString& name) {
    db::Transaction transaction(connection, db::kReadOnlySnapshot);
    const auto rows = db::queryRows(
        transaction, QStringLiteral("select count(*) from sec$users where sec$user_name = :name"),
        {{QStringLiteral("name"), name}});
    transaction.commit();
    return rows.front().value(0).toLongLong() > 0;
}

void addStaffLogin(db::Connection& connection, const QString& name, const QString& password) {
    runInOneTransaction(connection, {QStringLiteral("create user %1 password %2 using plugin Srp")
                                         .arg(quotedLogin(name), quotedLiteral(password))});
    try {
        grantStaffRole(connection, name);
    } catch (const db::DbError&) {
        try {
            runInOneTransaction(connection, {QStringLiteral("drop user %1 using plugin Srp")
                                                 .arg(quotedLogin(name))});
        } catch (const db::DbError&) {
            // The role's failure is what the administrator needs to read.
        }
        throw;
    }
}

void grantStaffRole(db::Connection& connection, const QString& name) {
    runInOneTransaction(connection,
                        {QStringLiteral("grant %1 to user %2").arg(kRole, quotedLogin(name))});
}

void removeStaffLogin(db::Connection& connection, const QString& name) {
    runInOneTransaction(connection,
                        {QStringLiteral("revoke %1 from user %2").arg(kRole, quotedLogin(name)),
                         QStringLiteral("drop user %1 using plugin Srp").arg(quotedLogin(name))});
}

QStringList staffLogins(db::Connection& connection) {
    db::Transaction transaction(connection, db::kReadOnlySnapshot);
    const auto rows = db::queryRows(
        transaction,
        QStringLiteral("select trim(rdb$user) from rdb$user_privileges where rdb$privilege = 'M' "
                       "and rdb$relation_name = :role and rdb$user_type = 8 order by 1"),
        {{QStringLiteral("role"), kRole}});
    transaction.commit();
    QStringList names;
    for (const auto& row : rows) names << row.value(0).toString();
    return names;
}

}  // namespace tools
