#include "data/field.h"

#include "db/decimal.h"
#include "db/win1251.h"

namespace data {

bool Field::isNumeric() const {
    switch (type) {
        case FieldType::SmallInt:
        case FieldType::Integer:
        case FieldType::BigInt:
        case FieldType::Numeric:
        case FieldType::Double:
            return true;
        default:
            return false;
    }
}

int Field::effectiveDisplayWidth() const {
    if (displayWidth > 0) return displayWidth;
    switch (type) {
        case FieldType::Char:
        case FieldType::Varchar:
            return size;
        case FieldType::Date:
            return 10;
        case FieldType::Timestamp:
            return 18;
        case FieldType::Numeric:
            return 10;
        case FieldType::SmallInt:
            return 6;
        default:
            return 10;
    }
}

QString displayText(const Field& field, const QVariant& value) {
    if (value.isNull()) return {};
    // The program's texts are Russian whatever the workstation's locale: dates read 10.12.2026,
    // numbers with a fraction 2,50 (typed back, the comma and the point are both taken).
    auto withDecimalComma = [](QString number) { return number.replace(u'.', u','); };
    switch (field.type) {
        case FieldType::Date:
            return value.toDate().toString(kDateFormat);
        case FieldType::Timestamp:
            return value.toDateTime().toString(kDateFormat + QStringLiteral(" hh:mm"));
        case FieldType::Numeric:
            if (value.userType() == qMetaTypeId<db::Decimal>())
                return withDecimalComma(value.value<db::Decimal>().toString());
            return withDecimalComma(value.toString());
        case FieldType::Double:
            return withDecimalComma(value.toString());
        default:
            return value.toString();
    }
}

namespace {

[[noreturn]] void badValue(const Field& field, const QString& text, const QString& what) {
    throw db::DbError(
        QStringLiteral("«%1» не является %2 (поле «%3»).").arg(text, what, field.displayLabel()));
}

QDate parseDate(const QString& text) {
    for (const QString& format :
         {kDateFormat, QStringLiteral("d.M.yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = QDate::fromString(text, format);
        if (d.isValid()) return d;
    }
    return {};
}

}  // namespace

QVariant coerce(const Field& field, const QVariant& value) {
    if (value.isNull()) return {};
    const bool isString = value.typeId() == QMetaType::QString;
    const QString text = isString ? value.toString() : QString();
    if (isString && text.isEmpty()) return {};
    switch (field.type) {
        case FieldType::Char:
        case FieldType::Varchar: {
            QString s = value.toString();
            if (s.isEmpty()) return {};
            // Longer text is cut to the column, as the database column could not hold it.
            if (field.size > 0 && s.size() > field.size) s.truncate(field.size);
            // Refused here, before anything is written: deeper down it would fail half-way
            // through a save, and without the field's name.
            const QString outside = db::win1251::charactersOutside(s);
            if (!outside.isEmpty())
                throw UnencodableText(QStringLiteral("Поле «%1» содержит символы, которых нет в "
                                                     "кодировке базы данных: %2")
                                          .arg(field.displayLabel(), outside));
            return s;
        }
        case FieldType::SmallInt:
        case FieldType::Integer:
        case FieldType::BigInt: {
            bool ok = false;
            const qlonglong v = isString ? text.trimmed().toLongLong(&ok) : value.toLongLong(&ok);
            if (!ok) badValue(field, value.toString(), QStringLiteral("целым числом"));
            if (field.type == FieldType::BigInt) return v;
            const qlonglong limit = field.type == FieldType::SmallInt ? 32767 : 2147483647;
            if (v > limit || v < -limit - 1)
                badValue(field, value.toString(), QStringLiteral("допустимым числом"));
            return int(v);
        }
        case FieldType::Numeric: {
            std::optional<db::Decimal> d;
            if (value.userType() == qMetaTypeId<db::Decimal>())
                d = value.value<db::Decimal>();
            else if (isString)
                d = db::Decimal::fromString(text);
            else if (value.typeId() == QMetaType::Double)
                d = db::Decimal::fromString(QString::number(value.toDouble(), 'f', field.scale));
            else
                d = db::Decimal::fromString(value.toString());
            if (!d) badValue(field, value.toString(), QStringLiteral("числом"));
            return QVariant::fromValue(d->rescaled(field.scale));
        }
        case FieldType::Double: {
            bool ok = false;
            const double v =
                isString ? QString(text).replace(u',', u'.').toDouble(&ok) : value.toDouble(&ok);
            if (!ok) badValue(field, value.toString(), QStringLiteral("числом"));
            return v;
        }
        case FieldType::Date: {
            if (value.typeId() == QMetaType::QDate)
                return value.toDate().isValid() ? value : QVariant();
            if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
            const QDate d = parseDate(text.trimmed());
            if (!d.isValid()) badValue(field, text, QStringLiteral("датой"));
            return d;
        }
        case FieldType::Timestamp: {
            if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
            const QDateTime dt = value.toDateTime();
            if (!dt.isValid())
                badValue(field, value.toString(), QStringLiteral("датой и временем"));
            return dt;
        }
        default:
            return value;
    }
}

}  // namespace data
