#include "data/login_role.h"

#include "db/firebird.h"

namespace data {

LoginRole readLoginRole(db::Connection& connection) {
    db::Transaction transaction(connection, db::kReadOnlySnapshot);
    const auto rows = db::queryRows(
        transaction,
        QStringLiteral("select current_user, current_role, (select trim(rdb$owner_name) from "
                       "rdb$relations where rdb$relation_name = 'RDB$DATABASE') from "
                       "rdb$database"));
    transaction.commit();
    LoginRole login;
    login.user = rows.front().value(0).toString().trimmed();
    login.role = rows.front().value(1).toString().trimmed();
    const QString owner = rows.front().value(2).toString().trimmed();
    login.administrator = login.user == QLatin1String("SYSDBA") || login.user == owner ||
                          login.role == QLatin1String("RDB$ADMIN");
    return login;
}

bool holdsRole(const LoginRole& login, const QString& askedRole) {
    const QString asked = askedRole.trimmed();
    if (asked.isEmpty() || login.administrator) return true;
    // Reg.INI may write the role in any case; the server keeps it in upper case.
    return login.role.compare(asked, Qt::CaseInsensitive) == 0;
}

}  // namespace data
