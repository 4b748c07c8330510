#include "db/win1251.h"

#include <array>

#include "db/db_error.h"

namespace db::win1251 {
namespace {

// Unicode code points of bytes 0x80..0xFF; 0 marks the one unassigned byte (0x98). That byte
// reads as U+FFFD, which encode refuses: a stray 0x98 in the database shows as such and is
// never written back as something else. (Qt's own Windows-1251 codec passes it through as the
// C1 control U+0098 instead.)
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr char16_t kLastMapped = 0x2200;

// Reverse table, built once: code point -> byte, 0 where the code page has no such character.
const std::array<unsigned char, kLastMapped>& reverseTable() {
    static const auto table = [] {
        std::array<unsigned char, kLastMapped> t{};
        for (int i = 0; i < 128; ++i)
            if (kHigh[i] != 0) t[kHigh[i]] = static_cast<unsigned char>(0x80 + i);
        return t;
    }();
    return table;
}

int byteFor(char16_t c) {
    if (c < 0x80) return c;
    if (c >= kLastMapped) return -1;
    const unsigned char b = reverseTable()[c];
    return b ? b : -1;
}

// Case of every byte of the code page, taken from Unicode's simple case mapping (QChar's):
// a byte keeps its own character where that mapping leads out of the code page (µ, whose
// capital is Greek) and where the character has no case at all.
struct CaseTables {
    std::array<char16_t, 256> upper{};
    std::array<char16_t, 256> lower{};
};

char16_t characterOf(int byte) {
    return byte < 0x80 ? char16_t(byte) : kHigh[byte - 0x80];
}

const CaseTables& caseTables() {
    static const CaseTables tables = [] {
        CaseTables t;
        for (int b = 0; b < 256; ++b) {
            const char16_t c = characterOf(b);
            const char16_t up = QChar(c).toUpper().unicode();
            const char16_t low = QChar(c).toLower().unicode();
            t.upper[b] = c != 0 && byteFor(up) >= 0 ? up : c;
            t.lower[b] = c != 0 && byteFor(low) >= 0 ? low : c;
        }
        return t;
    }();
    return tables;
}

QString mapCase(const QString& text, const std::array<char16_t, 256>& table) {
    QString out = text;
    for (QChar& ch : out) {
        const int b = byteFor(ch.unicode());
        if (b >= 0) ch = QChar(table[b]);
    }
    return out;
}

}  // namespace

QByteArray encode(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const int b = byteFor(c);
        if (b < 0) {
            throw DbError(QStringLiteral("Символ «%1» (U+%2) нельзя сохранить в базе данных: "
                                         "кодировка Windows-1251 его не содержит. Текст: «%3».")
                              .arg(QString(text.at(i)))
                              .arg(int(c), 4, 16, QLatin1Char('0'))
                              .arg(text));
        }
        out.append(char(b));
    }
    return out;
}

bool canEncode(const QString& text) {
    for (QChar ch : text)
        if (byteFor(ch.unicode()) < 0) return false;
    return true;
}

QString charactersOutside(const QString& text) {
    QString outside;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (byteFor(text.at(i).unicode()) >= 0) continue;
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        if (pair) ++i;
        if (!outside.contains(character)) outside += character;
    }
    return outside;
}

QString decode(const char* data, qsizetype size) {
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        dst[i] = b < 0x80 ? QChar(b) : QChar(kHigh[b - 0x80] ? kHigh[b - 0x80] : 0xFFFD);
    }
    return out;
}

QString toUpper(const QString& text) {
    return mapCase(text, caseTables().upper);
}

QString toLower(const QString& text) {
    return mapCase(text, caseTables().lower);
}

QString capitalized(const QString& text) {
    if (text.isEmpty()) return text;
    return toUpper(text.left(1)) + toLower(text.mid(1));
}

}  // namespace db::win1251
