#include "db/message_values.h"

#include <cstring>
#include <limits>

#include "db/decimal.h"

namespace db::detail {
namespace {
Firebird::IUtil* util() {
    return Firebird::fb_get_master_interface()->getUtilInterface();
}
}  // namespace

FieldType fieldType(unsigned type, int scale, unsigned subType) {
    switch (type) {
        case SQL_SHORT:
            return scale < 0 ? FieldType::Numeric : FieldType::SmallInt;
        case SQL_LONG:
            return scale < 0 ? FieldType::Numeric : FieldType::Integer;
        case SQL_INT64:
            return scale < 0 ? FieldType::Numeric : FieldType::BigInt;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return FieldType::Double;
        case SQL_TEXT:
            return FieldType::Char;
        case SQL_VARYING:
            return FieldType::Varchar;
        case SQL_TYPE_DATE:
            return FieldType::Date;
        case SQL_TYPE_TIME:
            return FieldType::Time;
        case SQL_TIMESTAMP:
            return FieldType::Timestamp;
        case SQL_BOOLEAN:
            return FieldType::Boolean;
        case SQL_BLOB:
            return subType == 1 ? FieldType::Varchar : FieldType::Blob;
        default:
            return FieldType::Unknown;
    }
}

// ISC_DATE counts days from 17 November 1858, the Modified Julian Day epoch.
constexpr qint64 kJulianDayOfIscEpoch = 2400001;

QDate decodeDate(ISC_DATE value) {
    return QDate::fromJulianDay(value + kJulianDayOfIscEpoch);
}

QTime decodeTime(ISC_TIME value) {
    unsigned h = 0, mi = 0, s = 0, frac = 0;
    util()->decodeTime(value, &h, &mi, &s, &frac);
    return QTime(int(h), int(mi), int(s), int(frac / 10));
}

ISC_DATE encodeDate(const QDate& d) {
    return ISC_DATE(d.toJulianDay() - kJulianDayOfIscEpoch);
}
ISC_TIME encodeTime(const QTime& t) {
    return util()->encodeTime(t.hour(), t.minute(), t.second(), t.msec() * 10);
}

bool isInteger(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

bool isText(const QVariant& v) {
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

static bool fitsInteger(qint64 n, unsigned type) {
    switch (type) {
        case SQL_SHORT:
            return n >= std::numeric_limits<short>::min() && n <= std::numeric_limits<short>::max();
        case SQL_LONG:
            return n >= std::numeric_limits<ISC_LONG>::min() &&
                   n <= std::numeric_limits<ISC_LONG>::max();
        case SQL_INT64:
            return true;
        default:
            return false;
    }
}

bool fitsDescribed(const QVariant& v, const InParam& p, const QByteArray& text) {
    if (v.isNull()) return true;
    if (isInteger(v)) return p.scale == 0 && fitsInteger(v.toLongLong(), p.type);
    if (v.userType() == qMetaTypeId<Decimal>()) {
        const Decimal d = v.value<Decimal>();
        return p.scale == -d.scale() && fitsInteger(d.units(), p.type);
    }
    switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return p.type == SQL_DOUBLE;
        case QMetaType::QDate:
            return p.type == SQL_TYPE_DATE;
        case QMetaType::QTime:
            return p.type == SQL_TYPE_TIME;
        case QMetaType::QDateTime:
            return p.type == SQL_TIMESTAMP;
        default:
            break;
    }
    return (p.type == SQL_VARYING || p.type == SQL_TEXT) &&
           (p.charset == kCharsetWin1251 || p.charset == 0) && unsigned(text.size()) <= p.length;
}

void writeValue(char* at, unsigned type, unsigned length, const QVariant& v,
                const QByteArray& text) {
    const bool decimal = v.userType() == qMetaTypeId<Decimal>();
    const qint64 n = decimal ? v.value<Decimal>().units() : (isInteger(v) ? v.toLongLong() : 0);
    switch (type) {
        case SQL_SHORT:
            *reinterpret_cast<short*>(at) = short(n);
            break;
        case SQL_LONG:
            *reinterpret_cast<ISC_LONG*>(at) = ISC_LONG(n);
            break;
        case SQL_INT64:
            *reinterpret_cast<ISC_INT64*>(at) = n;
            break;
        case SQL_DOUBLE:
            *reinterpret_cast<double*>(at) = v.toDouble();
            break;
        case SQL_TYPE_DATE:
            *reinterpret_cast<ISC_DATE*>(at) = encodeDate(v.toDate());
            break;
        case SQL_TYPE_TIME:
            *reinterpret_cast<ISC_TIME*>(at) = encodeTime(v.toTime());
            break;
        case SQL_TIMESTAMP: {
            auto* ts = reinterpret_cast<ISC_TIMESTAMP*>(at);
            const QDateTime dt = v.toDateTime();
            ts->timestamp_date = encodeDate(dt.date());
            ts->timestamp_time = encodeTime(dt.time());
            break;
        }
        case SQL_VARYING:
            *reinterpret_cast<unsigned short*>(at) = static_cast<unsigned short>(text.size());
            std::memcpy(at + 2, text.constData(), size_t(text.size()));
            break;
        case SQL_TEXT:
            std::memcpy(at, text.constData(), size_t(text.size()));
            std::memset(at + text.size(), ' ', size_t(length - unsigned(text.size())));
            break;
        default:
            break;
    }
}

}  // namespace db::detail
