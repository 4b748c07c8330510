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
// The characters of a text that Windows-1251 cannot hold, each once, in the order they first
// occur ("漢字😀" for "a漢b字😀漢"); a character beyond the Basic Multilingual Plane stays whole.
QString charactersOutside(const QString& text);

// Case mapping within the code page: each character Windows-1251 holds maps as Unicode's simple
// case mapping (QChar::toUpper/toLower) gives it where the result is in the code page too,
// i.e. Latin, Russian and the other Cyrillic letters of the page (Ё, Ґ, Є, І, Ї, Ў, Ђ, Ѓ, Љ, Њ,
// Ќ, Ћ, Џ, Ј, Ѕ). Every other character, and a character outside the code page, stays as it is
// (µ keeps its form, since its capital is Greek).
QString toUpper(const QString& text);
QString toLower(const QString& text);
// The first character in upper case and every other in lower case ("иВАНОВ" → "Иванов").
QString capitalized(const QString& text);

}  // namespace db::win1251
