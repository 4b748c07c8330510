// Windows-1251 conversion at the database boundary, and the case tables of that code page.
#pragma once

#include <QByteArray>
#include <QString>

namespace db::win1251 {

// Throws DbError naming the first character that Windows-1251 cannot hold.
QByteArray encode(const QString& text);
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}
bool canEncode(const QString& text);

// Upper case as the Windows-1251 tables give it: Latin, Cyrillic and Ё/ё only.
QString toUpper(const QString& text);
QString toLower(const QString& text);

}  // namespace db::win1251
