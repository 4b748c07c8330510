// Bringing a database made by an earlier version of the program up to the shipped schema: what
// the schema declares that the database lacks (tables, columns, constraints, indexes,
// generators, exceptions, functions, procedures, triggers, roles, rights) is found in the
// database's own catalogue and added, nothing else touched.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Connection;
class Transaction;
}  // namespace db

namespace data {

// One object of the schema a database lacks, and the statement that adds it.
struct SchemaAddition {
    QString description;  // "таблица CHANGE_LOG", "столбец ISSLED.SNILS"
    QString statement;
};

// What the schema declares that the database lacks, in the schema's order. Throws DbError for a
// schema statement whose object it cannot look up (a kind of statement nobody taught it).
QList<SchemaAddition> missingFromSchema(db::Transaction& transaction,
                                        const QString& schema);
QList<SchemaAddition> missingFromSchema(db::Transaction& transaction);  // the shipped one

// What a database attached on the connection lacks of the shipped schema, read in a read-only
// transaction of its own: the descriptions, empty when it is up to date.
QStringList lacksOfShippedSchema(db::Connection& connection);

// Adds what the database lacks of the shipped schema in one transaction: all of it or, when a
// statement fails, nothing (the error names the object and carries the server's message).
// Returns the descriptions of what was added; empty when there was nothing to add.
QStringList upgradeSchema(db::Connection& connection);
QStringList upgradeSchema(db::Connection& connection, const QString& schema);

}  // namespace data
