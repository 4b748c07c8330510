#include "data/schema.h"

#include <QFile>
#include <QRegularExpression>

#include "db/firebird.h"

namespace data {

QStringList splitScript(const QString& script) {
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const qsizetype n = script.size();
    qsizetype i = 0;
    auto flush = [&] {
        const QString text = current.trimmed();
        current.clear();
        if (text.isEmpty()) return;
        static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
        const auto m = setTerm.match(text);
        if (m.hasMatch()) {
            terminator = m.captured(1);
            return;
        }
        if (text.startsWith(QStringLiteral("SET "), Qt::CaseInsensitive)) return;
        statements << text;
    };
    while (i < n) {
        const QChar c = script[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = script.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end + 1;
            current += script.mid(i, stop - i);
            i = stop;
        } else if (c == u'-' && i + 1 < n && script[i + 1] == u'-') {
            const qsizetype end = script.indexOf(u'\n', i);
            i = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && script[i + 1] == u'*') {
            const qsizetype end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (script.mid(i, terminator.size()) == terminator) {
            flush();
            i += terminator.size();
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return statements;
}

void runScript(db::Connection& connection, const QString& script) {
    db::Transaction tr(connection, db::kSnapshotWaiting);
    for (const QString& statement : splitScript(script)) {
        if (statement.compare(QStringLiteral("COMMIT"), Qt::CaseInsensitive) == 0) {
            tr.commit();
            continue;
        }
        tr.ensureStarted();
        db::executeRaw(tr, statement);
        // Objects created by DDL are usable only after their transaction commits.
        tr.commit();
    }
    tr.commit();
}

QString mainSchema() {
    QFile file(QStringLiteral(":/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw db::DbError(QStringLiteral("Схема базы данных не найдена в программе."));
    return QString::fromUtf8(file.readAll());
}

void createMainDatabase(const QString& path, const QString& user, const QString& password) {
    db::Connection connection;
    connection.setDatabaseName(path);
    connection.setParams({"user_name=" + user, "password=" + password, "lc_ctype=WIN1251"});
    connection.createDatabase();
    runScript(connection, mainSchema());
    connection.close();
}

}  // namespace data
