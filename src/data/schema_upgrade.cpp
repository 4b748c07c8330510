#include "data/schema_upgrade.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "data/schema.h"
#include "db/db_error.h"
#include "db/firebird.h"

namespace data {
namespace {

constexpr auto kPattern =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

// Every object of the database, as keys "KIND:NAME" (a column "COLUMN:TABLE.NAME", a right
// "GRANT:grantee type:grantee:object:privilege").
QSet<QString> readCatalogue(db::Transaction& transaction) {
    static const QString sql = QStringLiteral(
        "select 'TABLE', trim(RDB$RELATION_NAME) from RDB$RELATIONS "
        "union all select 'COLUMN', trim(RDB$RELATION_NAME) || '.' || trim(RDB$FIELD_NAME) "
        "from RDB$RELATION_FIELDS "
        "union all select 'CONSTRAINT', trim(RDB$CONSTRAINT_NAME) from RDB$RELATION_CONSTRAINTS "
        "union all select 'INDEX', trim(RDB$INDEX_NAME) from RDB$INDICES "
        "union all select 'GENERATOR', trim(RDB$GENERATOR_NAME) from RDB$GENERATORS "
        "union all select 'EXCEPTION', trim(RDB$EXCEPTION_NAME) from RDB$EXCEPTIONS "
        "union all select 'TRIGGER', trim(RDB$TRIGGER_NAME) from RDB$TRIGGERS "
        "union all select 'PROCEDURE', trim(RDB$PROCEDURE_NAME) from RDB$PROCEDURES "
        "where RDB$PACKAGE_NAME is null "
        "union all select 'FUNCTION', trim(RDB$FUNCTION_NAME) from RDB$FUNCTIONS "
        "where RDB$PACKAGE_NAME is null "
        "union all select 'ROLE', trim(RDB$ROLE_NAME) from RDB$ROLES "
        "union all select 'DOMAIN', trim(RDB$FIELD_NAME) from RDB$FIELDS "
        "union all select 'GRANT', RDB$USER_TYPE || ':' || trim(RDB$USER) || ':' || "
        "trim(RDB$RELATION_NAME) || ':' || trim(RDB$PRIVILEGE) from RDB$USER_PRIVILEGES");
    QSet<QString> keys;
    for (const QVector<QVariant>& row : db::queryRows(transaction, sql))
        keys.insert(row[0].toString().trimmed() + u':' + row[1].toString());
    return keys;
}

// A name as the catalogue keeps it: upper case, or as written between double quotes.
QString catalogueName(const QString& written) {
    const QString name = written.trimmed();
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        return name.mid(1, name.size() - 2);
    return name.toUpper();
}

// The items of a table's definition between its parentheses: columns and constraints.
QStringList tableItems(const QString& body) {
    QStringList items;
    QString current;
    int depth = 0;
    QChar quote;
    for (const QChar c : body) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth == 0) {
            items << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty()) items << current.trimmed();
    return items;
}

QString firstWord(const QString& text) {
    static const QRegularExpression word(QStringLiteral("^(\"[^\"]+\"|\\S+)"));
    return word.match(text.trimmed()).captured(1);
}

[[noreturn]] void cannotCheck(const QString& statement) {
    throw db::DbError(
        QStringLiteral("Обновление базы данных не умеет проверить предложение схемы:\n") +
        statement.left(200));
}

// CREATE TABLE: the whole table when it is missing, else each of its columns and named
// constraints the table lacks.
void tableAdditions(const QString& name, const QString& body, const QString& statement,
                    const QSet<QString>& catalogue, QList<SchemaAddition>& additions) {
    if (!catalogue.contains(QStringLiteral("TABLE:") + name)) {
        additions.append({QStringLiteral("таблица ") + name, statement});
        return;
    }
    for (const QString& item : tableItems(body)) {
        const QString word = firstWord(item).toUpper();
        const QString add = QStringLiteral("ALTER TABLE ") + name + QStringLiteral(" ADD ") + item;
        if (word == QLatin1String("CONSTRAINT")) {
            const QString constraint = catalogueName(firstWord(item.mid(word.size())));
            if (!catalogue.contains(QStringLiteral("CONSTRAINT:") + constraint))
                additions.append({QStringLiteral("ограничение ") + constraint +
                                      QStringLiteral(" таблицы ") + name,
                                  add});
        } else if (word == QLatin1String("PRIMARY") || word == QLatin1String("UNIQUE") ||
                   word == QLatin1String("FOREIGN") || word == QLatin1String("CHECK")) {
            cannotCheck(statement);  // a constraint without a name cannot be looked up
        } else {
            const QString column = catalogueName(firstWord(item));
            if (!catalogue.contains(QStringLiteral("COLUMN:") + name + u'.' + column))
                additions.append({QStringLiteral("столбец ") + name + u'.' + column, add});
        }
    }
}

// GRANT privileges ON object TO grantee: the statement again when the grantee lacks any of
// them (granting a held right again changes nothing).
bool grantAdditions(const QString& statement, const QSet<QString>& catalogue,
                    QList<SchemaAddition>& additions) {
    static const QRegularExpression grant(
        QStringLiteral("^GRANT\\s+(.+?)\\s+ON\\s+(?:(?:TABLE|PROCEDURE|FUNCTION|GENERATOR|"
                       "SEQUENCE|EXCEPTION)\\s+)?(\"[^\"]+\"|\\S+)\\s+TO\\s+(?:(TRIGGER|PROCEDURE|FUNCTION|"
                       "ROLE|VIEW|USER)\\s+)?(\"[^\"]+\"|\\S+)(?:\\s+WITH\\s+GRANT\\s+OPTION)?$"),
        kPattern);
    const auto match = grant.match(statement);
    if (!match.hasMatch()) return false;
    static const QHash<QString, QString> letters{
        {QStringLiteral("SELECT"), QStringLiteral("S")}, {QStringLiteral("INSERT"), QStringLiteral("I")},
        {QStringLiteral("UPDATE"), QStringLiteral("U")}, {QStringLiteral("DELETE"), QStringLiteral("D")},
        {QStringLiteral("REFERENCES"), QStringLiteral("R")},
        {QStringLiteral("EXECUTE"), QStringLiteral("X")}, {QStringLiteral("USAGE"), QStringLiteral("G")}};
    // The grantee's kind as the catalogue numbers it, and as a description names it.
    struct Grantee {
        int type;
        const char* genitive;
    };
    static const QHash<QString, Grantee> grantees{
        {QStringLiteral("TRIGGER"), {2, "триггера"}},  {QStringLiteral("PROCEDURE"), {5, "процедуры"}},
        {QStringLiteral("FUNCTION"), {15, "функции"}}, {QStringLiteral("ROLE"), {13, "роли"}},
        {QStringLiteral("VIEW"), {1, "представления"}}, {QStringLiteral("USER"), {8, "пользователя"}},
        {QString(), {8, "пользователя"}}};
    QStringList privileges;
    for (const QString& written : match.captured(1).split(u',')) {
        const QString privilege = written.simplified().toUpper();
        if (privilege == QLatin1String("ALL") || privilege == QLatin1String("ALL PRIVILEGES"))
            privileges << QStringLiteral("SELECT") << QStringLiteral("INSERT")
                       << QStringLiteral("UPDATE") << QStringLiteral("DELETE")
                       << QStringLiteral("REFERENCES");
        else if (letters.contains(privilege))
            privileges << privilege;
        else
            return false;  // column rights and the like
    }
    const QString object = catalogueName(match.captured(2));
    const Grantee grantee = grantees.value(match.captured(3).toUpper());
    const QString granteeName = catalogueName(match.captured(4));
    for (const QString& privilege : privileges) {
        const QString key = QStringLiteral("GRANT:%1:%2:%3:%4")
                                .arg(grantee.type)
                                .arg(granteeName, object, letters.value(privilege));
        if (!catalogue.contains(key)) {
            additions.append({QStringLiteral("право %1 на %2 для %3 %4")
                                  .arg(privileges.join(QStringLiteral(", ")), object,
                                       QString::fromUtf8(grantee.genitive), granteeName),
                              statement});
            break;
        }
    }
    return true;
}

}  // namespace

QList<SchemaAddition> missingFromSchema(db::Transaction& transaction, const QString& schema) {
    const QSet<QString> catalogue = readCatalogue(transaction);
    QList<SchemaAddition> additions;
    static const QRegularExpression table(
        QStringLiteral("^CREATE\\s+TABLE\\s+(\"[^\"]+\"|[^\\s(]+)\\s*\\((.*)\\)\\s*$"), kPattern);
    static const QRegularExpression object(
        QStringLiteral("^CREATE\\s+(?:UNIQUE\\s+)?(?:(?:ASC|ASCENDING|DESC|DESCENDING)\\s+)?"
                       "(INDEX|GENERATOR|SEQUENCE|EXCEPTION|TRIGGER|PROCEDURE|FUNCTION|ROLE|"
                       "VIEW|DOMAIN)\\s+(\"[^\"]+\"|[^\\s(]+)"),
        kPattern);
    static const QRegularExpression constraint(
        QStringLiteral("^ALTER\\s+TABLE\\s+(\"[^\"]+\"|\\S+)\\s+ADD\\s+CONSTRAINT\\s+"
                       "(\"[^\"]+\"|\\S+)"),
        kPattern);
    // The catalogue's kind of each object, and how a description names it.
    static const QHash<QString, QPair<QString, QString>> kinds{
        {QStringLiteral("INDEX"), {QStringLiteral("INDEX"), QStringLiteral("индекс")}},
        {QStringLiteral("GENERATOR"), {QStringLiteral("GENERATOR"), QStringLiteral("генератор")}},
        {QStringLiteral("SEQUENCE"), {QStringLiteral("GENERATOR"), QStringLiteral("генератор")}},
        {QStringLiteral("EXCEPTION"), {QStringLiteral("EXCEPTION"), QStringLiteral("исключение")}},
        {QStringLiteral("TRIGGER"), {QStringLiteral("TRIGGER"), QStringLiteral("триггер")}},
        {QStringLiteral("PROCEDURE"), {QStringLiteral("PROCEDURE"), QStringLiteral("процедура")}},
        {QStringLiteral("FUNCTION"), {QStringLiteral("FUNCTION"), QStringLiteral("функция")}},
        {QStringLiteral("ROLE"), {QStringLiteral("ROLE"), QStringLiteral("роль")}},
        {QStringLiteral("VIEW"), {QStringLiteral("TABLE"), QStringLiteral("представление")}},
        {QStringLiteral("DOMAIN"), {QStringLiteral("DOMAIN"), QStringLiteral("домен")}}};

    for (const QString& statement : splitScript(schema)) {
        if (statement.compare(QStringLiteral("COMMIT"), Qt::CaseInsensitive) == 0) continue;
        if (const auto m = table.match(statement); m.hasMatch()) {
            tableAdditions(catalogueName(m.captured(1)), m.captured(2), statement, catalogue,
                           additions);
        } else if (const auto o = object.match(statement); o.hasMatch()) {
            const auto [kind, noun] = kinds.value(o.captured(1).toUpper());
            const QString name = catalogueName(o.captured(2));
            if (!catalogue.contains(kind + u':' + name))
                additions.append({noun + u' ' + name, statement});
        } else if (const auto c = constraint.match(statement); c.hasMatch()) {
            const QString name = catalogueName(c.captured(2));
            if (!catalogue.contains(QStringLiteral("CONSTRAINT:") + name))
                additions.append({QStringLiteral("ограничение ") + name +
                                      QStringLiteral(" таблицы ") + catalogueName(c.captured(1)),
                                  statement});
        } else if (!grantAdditions(statement, catalogue, additions)) {
            cannotCheck(statement);
        }
    }
    return additions;
}

QList<SchemaAddition> missingFromSchema(db::Transaction& transaction) {
    return missingFromSchema(transaction, mainSchema());
}

QStringList lacksOfShippedSchema(db::Connection& connection) {
    db::Transaction transaction(connection, {db::Isolation::Snapshot, db::Access::ReadOnly});
    transaction.start();
    QStringList lacks;
    for (const SchemaAddition& addition : missingFromSchema(transaction))
        lacks << addition.description;
    transaction.commit();
    return lacks;
}

QStringList upgradeSchema(db::Connection& connection) {
    return upgradeSchema(connection, mainSchema());
}

QStringList upgradeSchema(db::Connection& connection, const QString& schema) {
    // Objects created in a transaction can be used by later definitions in it (a trigger
    // calling a new procedure), though not by data statements until it commits: the whole
    // upgrade is one transaction, committed or rolled back as one.
    db::Transaction transaction(connection, {db::Isolation::Snapshot});
    transaction.start();
    const QList<SchemaAddition> additions = missingFromSchema(transaction, schema);
    QStringList added;
    for (const SchemaAddition& addition : additions) {
        try {
            db::executeRaw(transaction, addition.statement);
        } catch (const db::DbError& e) {
            throw db::DbError(QStringLiteral("Не удалось добавить: ") + addition.description +
                                  QStringLiteral(". База данных не изменена.\n") + e.message(),
                              e.sqlCode(), e.gdsCode(), e.kind());
        }
        added << addition.description;
    }
    transaction.commit();
    return added;
}

}  // namespace data
