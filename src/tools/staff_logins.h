// The logins of a laboratory's members of staff on a Firebird server: each one a user of the
// server's security database, given the staff role in one database.
#pragma once

#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

namespace tools {

// A login name as the server keeps it (upper case), or an empty string when the text is not a
// plain name: a letter, then letters, digits, "_" or "$", at most 31 of them.
QString loginName(const QString& text);

// Whether the server has a user of that name.
bool loginExists(db::Connection& connection, const QString& name);

// A new user of the server with that password, given the staff role in the database; when the
// role cannot be given, the user is removed again, so that nothing is left half-made.
void addStaffLogin(db::Connection& connection, const QString& name, const QString& password);

// Gives an existing user the staff role in the database.
void grantStaffRole(db::Connection& connection, const QString& name);

// Takes the staff role back in the database and removes the user from the server. The names
// these functions take are checked by loginName(); another is refused with a DbError.
void removeStaffLogin(db::Connection& connection, const QString& name);

// The users that hold the staff role in the database, by name.
QStringList staffLogins(db::Connection& connection);

// A text as an SQL string literal: in single quotes, inner quotes doubled. User management
// takes no parameters, so a password reaches the server this way.
QString quotedLiteral(const QString& text);

}  // namespace tools
