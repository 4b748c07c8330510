// Creating databases: runs an isql-style script (SET TERM, COMMIT) on a connection.
#pragma once

#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

namespace data {

// Splits a script into statements at its terminator, honouring SET TERM, quotes and comments.
// SET commands other than SET TERM are dropped; COMMIT stays as a statement.
QStringList splitScript(const QString& script);

// Runs every statement of the script in its own committed step.
void runScript(db::Connection& connection, const QString& script);

// The main database's schema as shipped with the program.
QString mainSchema();

// Creates a new database file with the main schema; the file must not exist yet.
void createMainDatabase(const QString& path, const QString& user = QStringLiteral("SYSDBA"),
                        const QString& password = QStringLiteral("masterkey"));

}  // namespace data
