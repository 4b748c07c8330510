// Rewrites the program's :name parameters to positional markers, leaving literals and comments.
#pragma once

#include <QString>
#include <QStringList>

namespace db {

struct NamedSql {
    QString sql;        // the text with each :name replaced by ?
    QStringList names;  // the name at each marker, upper-cased; one name may repeat
};

// Knows 'single' (with '' escapes) and "double-quoted" texts, -- and /* */ comments.
NamedSql rewriteNamedParams(const QString& sql);

}  // namespace db
