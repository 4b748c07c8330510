// Who the program is logged in as, and whether that login may work under the role Reg.INI names.
#pragma once

#include <QString>

namespace db {
class Connection;
}

namespace data {

// The role members of staff are given (labjournal-db users add) and the packaged Reg.INI names.
inline constexpr auto kStaffRole = "LAB_USER";

struct LoginRole {
    QString user;         // CURRENT_USER
    QString role;         // CURRENT_ROLE: "NONE" when the role asked for is not the login's
    bool administrator;   // SYSDBA, the database's owner, or under RDB$ADMIN: needs no role
};

LoginRole readLoginRole(db::Connection& connection);

// Whether a login works under the role asked for at attachment: the server quietly attaches a
// login without a role it does not hold, which would then meet "no permission" at every table.
// An empty role asks for none; administrators need none.
bool holdsRole(const LoginRole& login, const QString& askedRole);

}  // namespace data
