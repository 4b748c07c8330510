#include "db/named_params.h"

namespace db {
namespace {
bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}
}  // namespace

NamedSql rewriteNamedParams(const QString& sql) {
    NamedSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto copyQuoted = [&](QChar quote) {
        // Copies a quoted run; a doubled quote stands for itself and does not end the run.
        out.sql += sql[i++];
        while (i < n) {
            const QChar c = sql[i++];
            out.sql += c;
            if (c == quote) {
                if (i < n && sql[i] == quote) {
                    out.sql += sql[i++];
                    continue;
                }
                return;
            }
        }
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            copyQuoted(c);
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out.sql += sql.mid(i, stop - i);
            i = stop;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            out.sql += sql.mid(i, stop - i);
            i = stop;
        } else if (c == u':' && i + 1 < n && isNameStart(sql[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && isNameChar(sql[j])) ++j;
            out.names << sql.mid(i + 1, j - i - 1).toUpper();
            out.sql += u'?';
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

}  // namespace db
