// Conversions between Qt values and the fields of Firebird messages (inside the layer only).
#pragma once

#include <firebird/Interface.h>

#include <QByteArray>
#include <QDate>
#include <QVariant>

#include "db/firebird.h"

namespace db::detail {

constexpr unsigned kCharsetWin1251 = 52;

// A parameter and a column as the message lays them out.
struct InParam {
    unsigned type;
    int scale;
    unsigned length;
    unsigned charset;
    unsigned offset;
    unsigned nullOffset;
};

struct OutColumn {
    unsigned type;
    unsigned offset;
    unsigned nullOffset;
    unsigned length;
    int scale;
};

FieldType fieldType(unsigned type, int scale, unsigned subType);
QDate decodeDate(ISC_DATE value);
QTime decodeTime(ISC_TIME value);
ISC_DATE encodeDate(const QDate& d);
ISC_TIME encodeTime(const QTime& t);

bool isInteger(const QVariant& v);
bool isText(const QVariant& v);
// Whether a value can go into a parameter of the type the server described, as it is.
bool fitsDescribed(const QVariant& v, const InParam& p, const QByteArray& text);
void writeValue(char* at, unsigned type, unsigned length, const QVariant& v,
                const QByteArray& text);

}  // namespace db::detail
