// The Windows-1251 code page and its case tables, checked against Qt's own codec and Unicode's
// case mapping byte by byte.
#include <gtest/gtest.h>

#include <QSet>
#include <QStringDecoder>

#include "db/db_error.h"
#include "db/win1251.h"
#include "support/temp_database.h"

namespace {

namespace w = db::win1251;

constexpr int kUnassigned = 0x98;

QString ourCharacter(int byte) {
    const char c = char(byte);
    return w::decode(&c, 1);
}

QString qtCharacter(int byte) {
    QStringDecoder decoder("windows-1251");
    const QString s = decoder.decode(QByteArray(1, char(byte)));
    EXPECT_FALSE(decoder.hasError()) << "byte " << byte;
    return s;
}

std::string hex(int byte) {
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0')).toStdString();
}

TEST(Win1251CodePage, EveryByteDecodesAsQtsCodecHasIt) {
    ASSERT_TRUE(QStringDecoder("windows-1251").isValid());
    for (int b = 0; b < 256; ++b) {
        if (b == kUnassigned) continue;
        const QString qt = qtCharacter(b);
        ASSERT_EQ(qt.size(), 1) << hex(b);
        EXPECT_EQ(ourCharacter(b), qt) << hex(b);
        // and back to the same byte
        EXPECT_EQ(w::encode(qt), QByteArray(1, char(b))) << hex(b);
    }
}

TEST(Win1251CodePage, TheUnassignedByteReadsAsAReplacementThatIsNeverWrittenBack) {
    // Qt passes 0x98 through as the C1 control U+0098; the program reads it as U+FFFD so that a
    // stray byte shows, and refuses to store U+FFFD rather than turn it into some other byte.
    EXPECT_EQ(qtCharacter(kUnassigned), QString(QChar(0x0098)));
    EXPECT_EQ(ourCharacter(kUnassigned), QString(QChar(0xFFFD)));
    EXPECT_FALSE(w::canEncode(QString(QChar(0xFFFD))));
    EXPECT_FALSE(w::canEncode(QString(QChar(0x0098))));
    EXPECT_THROW(w::encode(QStringLiteral("а") + QChar(0xFFFD)), db::DbError);
}

TEST(Win1251CodePage, ExactlyTheCodePagesCharactersCanBeEncoded) {
    QSet<char16_t> held;
    for (int b = 0; b < 256; ++b)
        if (b != kUnassigned) held.insert(qtCharacter(b).at(0).unicode());
    ASSERT_EQ(held.size(), 255);
    for (int c = 0; c <= 0xFFFF; ++c) {
        const QString s = QString(QChar(char16_t(c)));
        ASSERT_EQ(w::canEncode(s), held.contains(char16_t(c)))
            << "U+" << QString::number(c, 16).toStdString();
    }
}

TEST(Win1251CodePage, CharactersOutsideAreNamedOnceEachInTheirOrderAndWhole) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Иванов € № O'Brien\t\x01\n"), QString()},
        {QStringLiteral("a漢b字😀漢"), QStringLiteral("漢字😀")},
        {QStringLiteral("ΩΩ"), QStringLiteral("Ω")},
        {QString(QChar(0xD83D)), QString(QChar(0xD83D))},  // half of a pair, alone
        {ourCharacter(kUnassigned), QString(QChar(0xFFFD))},
    };
    for (const auto& [text, outside] : cases) {
        EXPECT_EQ(w::charactersOutside(text), outside) << text.toStdString();
        EXPECT_EQ(w::canEncode(text), outside.isEmpty()) << text.toStdString();
    }
}

// Applies the code page's case mapping to the character of one byte as Unicode defines it.
QString expectedCase(const QString& ch, bool upper) {
    const QString mapped = QString(upper ? ch.at(0).toUpper() : ch.at(0).toLower());
    return w::canEncode(mapped) ? mapped : ch;
}

TEST(Win1251Case, EveryByteMapsAsUnicodeWithinTheCodePage) {
    for (int b = 0; b < 256; ++b) {
        const QString ch = ourCharacter(b);
        if (b == kUnassigned) {
            EXPECT_EQ(w::toUpper(ch), ch);
            EXPECT_EQ(w::toLower(ch), ch);
            continue;
        }
        EXPECT_EQ(w::toUpper(ch), expectedCase(ch, true)) << hex(b);
        EXPECT_EQ(w::toLower(ch), expectedCase(ch, false)) << hex(b);
        // Case mapping stays inside the code page.
        EXPECT_TRUE(w::canEncode(w::toUpper(ch))) << hex(b);
        EXPECT_TRUE(w::canEncode(w::toLower(ch))) << hex(b);
    }
}

TEST(Win1251Case, TheCodePageHasItsFortySevenCyrillicPairs) {
    // 32 Russian letters, Ё, and the 14 other Cyrillic capitals of the page; 26 Latin pairs.
    int cyrillicUpper = 0, cyrillicLower = 0, latinUpper = 0, latinLower = 0;
    for (int b = 0; b < 256; ++b) {
        if (b == kUnassigned) continue;
        const QString ch = ourCharacter(b);
        const bool latin = b < 0x80;
        if (w::toLower(ch) != ch) ++(latin ? latinUpper : cyrillicUpper);
        if (w::toUpper(ch) != ch) ++(latin ? latinLower : cyrillicLower);
    }
    EXPECT_EQ(cyrillicUpper, 47);
    EXPECT_EQ(cyrillicLower, 47);
    EXPECT_EQ(latinUpper, 26);
    EXPECT_EQ(latinLower, 26);
}

struct CaseCase {
    const char* lower;
    const char* upper;
};

TEST(Win1251Case, NamedLettersAndWordsBothWays) {
    const CaseCase cases[] = {
        {"ґ", "Ґ"},
        {"ё", "Ё"},
        {"є", "Є"},
        {"і", "І"},
        {"ї", "Ї"},
        {"ў", "Ў"},
        {"ј", "Ј"},
        {"ѕ", "Ѕ"},
        {"ђѓљњќћџ", "ЂЃЉЊЌЋЏ"},
        {"абвгдежзийклмнопрстуфхцчшщъыьэюя", "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"},
        {"ґалаґан", "ҐАЛАҐАН"},
        {"її ґанок, єва", "ЇЇ ҐАНОК, ЄВА"},
        {"ivanov-петров 12/3", "IVANOV-ПЕТРОВ 12/3"},
    };
    for (const CaseCase& c : cases) {
        const QString lower = QString::fromUtf8(c.lower);
        const QString upper = QString::fromUtf8(c.upper);
        EXPECT_EQ(w::toUpper(lower), upper) << c.lower;
        EXPECT_EQ(w::toLower(upper), lower) << c.upper;
        EXPECT_EQ(w::toUpper(upper), upper) << c.upper;
        EXPECT_EQ(w::toLower(lower), lower) << c.lower;
    }
}

TEST(Win1251Case, CharactersWithoutACaseInTheCodePageStay) {
    const char* unchanged[] = {
        "µ",             // its capital is Greek
        "№ §«»—€™",      // no case
        "äöÿ ß ѐ ω 中",  // outside the code page
    };
    for (const char* text : unchanged) {
        const QString s = QString::fromUtf8(text);
        EXPECT_EQ(w::toUpper(s), s) << text;
        EXPECT_EQ(w::toLower(s), s) << text;
    }
    // A surrogate pair outside the code page comes through whole.
    const QString emoji = QString::fromUtf8("ґ\xF0\x9F\x98\x80");
    EXPECT_EQ(w::toUpper(emoji), QString::fromUtf8("Ґ\xF0\x9F\x98\x80"));
}

TEST(Win1251Case, UpperCaseInTheProgramMatchesTheDatabaseServers) {
    // Firebird's own WIN1251 tables are a second, independent account of the code page's
    // capitals: the server's UPPER and the program's agree on every character.
    testing_support::TempDatabase db;
    QString all;
    for (int b = 0x20; b < 256; ++b)
        if (b != kUnassigned && b != 0x7F) all += ourCharacter(b);
    const QString server =
        db.scalar("select upper(cast(:t as varchar(300))) from rdb$database", {{"t", all}})
            .toString();
    ASSERT_EQ(server.size(), all.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString ch(all.at(i));
        EXPECT_EQ(w::toUpper(ch), QString(server.at(i)))
            << "U+" << QString::number(all.at(i).unicode(), 16).toStdString();
    }
}

}  // namespace
