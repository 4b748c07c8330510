// Field metadata of a dataset: type from the statement, display properties from the data module.
#pragma once

#include <QString>
#include <QVariant>

#include "db/firebird.h"

namespace data {

using db::FieldType;

// How every date is shown and typed.
inline const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

struct Field {
    QString name;  // upper case, as the statement names the column
    FieldType type = FieldType::Unknown;
    int size = 0;          // characters of a text field
    int scale = 0;         // digits after the point of a NUMERIC field
    QString label;         // column title wherever no column list of its own is given
    int displayWidth = 0;  // in characters; 0 means "as wide as the data"
    bool visible = true;
    bool readOnly = false;

    QString displayLabel() const { return label.isEmpty() ? name : label; }
    bool isText() const { return type == FieldType::Char || type == FieldType::Varchar; }
    bool isNumeric() const;
    // Width in characters a grid gives this field when nothing else is said.
    int effectiveDisplayWidth() const;
};

// What the data module declares about a field before the statement is first run.
struct FieldSpec {
    QString name;
    QString label;
    bool visible = true;
    int displayWidth = 0;
    bool readOnly = false;
};

// The value as the user sees it and edits it: dates as 10.12.2026, numbers in decimal with the
// decimal comma (2,50). Statements and stored files keep the point: db::Decimal::toString.
QString displayText(const Field& field, const QVariant& value);

// A text holding characters the database's code page (Windows-1251) has not: it cannot be stored
// as it is, and nothing of it is. The control it was typed into keeps it for correction.
class UnencodableText : public db::DbError {
public:
    using db::DbError::DbError;
};

// Converts user input or a program value to the field's type. An empty text becomes NULL and a
// text longer than the column is cut to it. Throws db::DbError with a Russian message naming the
// field when the value is not of the field's kind (a word typed into a number or a date), and
// UnencodableText when a text has characters the database cannot hold. Control characters, a
// blank text and apostrophes are kept as they are.
QVariant coerce(const Field& field, const QVariant& value);

}  // namespace data
