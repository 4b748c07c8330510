// Test helper: texts that try to break whatever they are typed into (apostrophes, SQL, characters
// the database cannot hold, a text far longer than any column, control characters, nothing at
// all), entered as the user enters them; and a picture of every table of a database, to see that
// nothing but the intended value changed.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "support/scripted_dialogs.h"
#include "support/temp_database.h"

namespace testing_support {

// How the user puts a text into a one-line edit.
enum class Entry {
    Typed,    // key by key
    Pasted,   // Ctrl+V: the only way a control character gets into a line edit
    Cleared,  // everything selected and deleted
};

struct HostileText {
    std::string name;  // the case's name in test output
    QString text;
    Entry entry = Entry::Typed;
    // The characters a refusal names, as it names them: those the database cannot hold.
    // Empty: the text can be stored.
    QString outside;
    // What a name field (trimmed of blanks and control characters at its ends, first letter
    // capital) stores, where that differs from the text; empty: no value.
    std::optional<QString> asName;
};

inline void PrintTo(const HostileText& t, std::ostream* os) {
    *os << t.name;
}

// A text longer than every column: digits in turn, so that where it was cut shows.
inline QString longText() {
    return QStringLiteral("0123456789").repeated(1000);
}

inline HostileText hostileText(std::string name, QString text, Entry entry = Entry::Typed,
                               QString outside = {}, std::optional<QString> asName = {}) {
    return HostileText{std::move(name), std::move(text), entry, std::move(outside),
                       std::move(asName)};
}

inline const std::vector<HostileText>& hostileTexts() {
    static const std::vector<HostileText> texts = {
        hostileText("Apostrophe", QStringLiteral("O'Brien")),
        hostileText("TwoApostrophes", QStringLiteral("''")),
        hostileText("Statement", QStringLiteral("'; delete from issled; --")),
        hostileText("Comment", QStringLiteral("/* */")),
        hostileText("DoubleQuote", QStringLiteral("\"")),
        hostileText("Backslashes", QStringLiteral("C:\\temp\\")),
        // Both are in the code page: nothing may refuse them.
        hostileText("EuroAndNumero", QStringLiteral("€ №")),
        hostileText("Omega", QStringLiteral("Ω"), Entry::Typed, QStringLiteral("Ω")),
        hostileText("Han", QStringLiteral("漢字"), Entry::Typed, QStringLiteral("漢字")),
        hostileText("Emoji", QStringLiteral("😀"), Entry::Typed, QStringLiteral("😀")),
        hostileText("MixedWithCyrillic", QStringLiteral("Ли€漢字😀漢"), Entry::Typed,
                    QStringLiteral("漢字😀")),
        hostileText("TenThousandCharacters", longText()),
        hostileText("Tab", QStringLiteral("\t"), Entry::Pasted, {}, QString()),
        hostileText("ControlCharacter", QStringLiteral("\x01"), Entry::Pasted, {}, QString()),
        // A one-line field makes a pasted line break or tab one blank.
        hostileText("LineBreak", QStringLiteral("первая\nвторая"), Entry::Pasted, {},
                    QStringLiteral("Первая вторая")),
        hostileText("Empty", QString(), Entry::Cleared, {}, QString()),
        hostileText("Blank", QStringLiteral("   "), Entry::Typed, {}, QString()),
    };
    return texts;
}

// The texts the database can hold.
inline std::vector<HostileText> storableTexts() {
    std::vector<HostileText> texts;
    for (const HostileText& t : hostileTexts())
        if (t.outside.isEmpty()) texts.push_back(t);
    return texts;
}

// What an edit taking at most maxLength characters holds once the text was entered: on one
// line, a line break or tab pasted made one blank.
inline QString entered(const HostileText& t, int maxLength) {
    QString line = t.text;
    line.replace(u'\n', u' ').replace(u'\t', u' ');
    return line.left(maxLength);
}

// The value a column of that size holds after the text was stored as it was entered: NULL for
// an empty text.
inline QVariant storedValue(const QString& enteredText) {
    return enteredText.isEmpty() ? QVariant() : QVariant(enteredText);
}

// The message that refuses a text of a field.
inline QString refusal(const QString& caption, const HostileText& t) {
    return QStringLiteral("Поле «%1» содержит символы, которых нет в кодировке базы данных: %2")
        .arg(caption, t.outside);
}

// Puts the text into the edit, replacing what it held, the way the case says.
inline void enter(QLineEdit* edit, const HostileText& t) {
    switch (t.entry) {
        case Entry::Typed:
            typeText(edit, t.text);
            return;
        case Entry::Pasted:
            QApplication::clipboard()->setText(t.text);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            return;
        case Entry::Cleared:
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            return;
    }
}

// Opens a cell's editor as F2 does and enters the text; the text stays in the open editor until
// something commits it. Returns the editor.
inline QLineEdit* enterIntoCell(QAbstractItemView* view, int row, int column,
                                const HostileText& t) {
    QLineEdit* editor = openCellEditor(view, row, column, CellEditorOpening::ByF2);
    if (editor) enter(editor, t);
    return editor;
}

// Every row of every table of the program's own, as text, keyed by table; each table's rows in
// the order of its first column.
class DatabasePicture {
public:
    explicit DatabasePicture(const TempDatabase& db) {
        auto c = db.connect();
        db::Transaction tr(*c, db::kReadOnlySnapshot);
        const auto tables = db::queryRows(
            tr,
            "select trim(rdb$relation_name) from rdb$relations where rdb$system_flag = 0 "
            "and rdb$view_blr is null order by 1");
        for (const auto& table : tables) {
            const QString name = table[0].toString();
            db::Statement select(tr, "select * from " + name + " order by 1");
            QStringList columns;
            for (const db::ColumnInfo& column : select.columns()) columns << column.name;
            columns_.insert(name, columns);
            QList<QStringList>& rows = rows_[name];
            for (const auto& row : db::queryRows(tr, "select * from " + name + " order by 1")) {
                QStringList cells;
                for (const QVariant& v : row)
                    cells << (v.isNull() ? QStringLiteral("<null>")
                              : v.userType() == qMetaTypeId<db::Decimal>()
                                  ? v.value<db::Decimal>().toString()
                                  : v.toString());
                rows << cells;
            }
        }
    }

    // The tables as they were, but for the one cell (the row whose first column is key, the
    // column named); the row counts included.
    static void expectOnlyCellChanged(const DatabasePicture& before, const DatabasePicture& after,
                                      const QString& table, const QString& key,
                                      const QString& column) {
        ASSERT_EQ(before.rows_.keys().join(' '), after.rows_.keys().join(' '));
        expectOnlyCellLogged(before, after, table, key, column);
        for (auto it = before.rows_.cbegin(); it != before.rows_.cend(); ++it) {
            if (it.key() == QLatin1String("CHANGE_LOG")) continue;
            const QList<QStringList>& now = after.rows_.value(it.key());
            ASSERT_EQ(it.value().size(), now.size()) << "rows of " << it.key().toStdString();
            const int changed =
                it.key() == table ? int(before.columns_.value(table).indexOf(column)) : -1;
            for (int r = 0; r < now.size(); ++r) {
                QStringList was = it.value()[r];
                QStringList is = now[r];
                if (changed >= 0 && is.value(0) == key) {
                    was.removeAt(changed);
                    is.removeAt(changed);
                }
                EXPECT_EQ(was.join(" | "), is.join(" | "))
                    << it.key().toStdString() << " row " << r;
            }
        }
    }
    static void expectUnchanged(const DatabasePicture& before, const DatabasePicture& after) {
        expectOnlyCellChanged(before, after, QString(), QString(), QString());
    }

private:
    // The change log keeps its rows and has new ones only for the one cell's change: a field of
    // that investigation under its column's name, or a result (no field name). The cell's value
    // in the log is checked where the test knows it.
    static void expectOnlyCellLogged(const DatabasePicture& before, const DatabasePicture& after,
                                     const QString& table, const QString& key,
                                     const QString& column) {
        const QList<QStringList>& was = before.rows_.value(QStringLiteral("CHANGE_LOG"));
        const QList<QStringList>& is = after.rows_.value(QStringLiteral("CHANGE_LOG"));
        ASSERT_GE(is.size(), was.size()) << "the change log lost rows";
        for (int r = 0; r < was.size(); ++r)
            EXPECT_EQ(was[r].join(" | "), is[r].join(" | ")) << "CHANGE_LOG row " << r;
        const QStringList names = after.columns_.value(QStringLiteral("CHANGE_LOG"));
        const qsizetype field = names.indexOf(QStringLiteral("FIELD_NAME"));
        const qsizetype record = names.indexOf(QStringLiteral("N_ISSLED"));
        for (qsizetype r = was.size(); r < is.size(); ++r) {
            const QStringList& row = is[r];
            if (table == QLatin1String("ISSLED")) {
                EXPECT_EQ(row.value(record), key) << "CHANGE_LOG row " << r;
                EXPECT_EQ(row.value(field), column) << "CHANGE_LOG row " << r;
            } else if (table == QLatin1String("LAB_ISSL_BOL")) {
                EXPECT_EQ(row.value(field), QStringLiteral("<null>")) << "CHANGE_LOG row " << r;
            } else {
                ADD_FAILURE() << "a change to " << table.toStdString()
                              << " is logged: " << row.join(" | ").toStdString();
            }
        }
        if (table == QLatin1String("ISSLED") || table == QLatin1String("LAB_ISSL_BOL")) {
            // The cell changed (the tests give it a text other than the one stored): logged once.
            const auto cell = [&](const DatabasePicture& p) {
                const qsizetype at = p.columns_.value(table).indexOf(column);
                for (const QStringList& row : p.rows_.value(table))
                    if (row.value(0) == key) return row.value(at);
                return QString();
            };
            if (cell(before) != cell(after)) {
                EXPECT_EQ(is.size() - was.size(), 1) << "one change, one row of the log";
            }
        }
    }

    QMap<QString, QStringList> columns_;
    QMap<QString, QList<QStringList>> rows_;
};

}  // namespace testing_support
