#include "db/decimal.h"

#include <cmath>

namespace db {
namespace {
qint64 pow10(int n) {
    qint64 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}
}  // namespace

std::optional<Decimal> Decimal::fromString(const QString& input) {
    const QString text = input.trimmed();
    if (text.isEmpty()) return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        ++i;
    }
    qint64 units = 0;
    int scale = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' || c == u',') {
            if (seenPoint) return std::nullopt;
            seenPoint = true;
            continue;
        }
        if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
        if (units > (std::numeric_limits<qint64>::max() - 9) / 10) return std::nullopt;
        units = units * 10 + (c.unicode() - '0');
        seenDigit = true;
        if (seenPoint) ++scale;
    }
    if (!seenDigit) return std::nullopt;
    return Decimal(negative ? -units : units, scale);
}

QString Decimal::toString() const {
    if (scale_ <= 0) return QString::number(units_ * pow10(-scale_));
    const qint64 p = pow10(scale_);
    const qint64 whole = units_ / p;
    const qint64 frac = std::llabs(units_ % p);
    QString s = QString::number(std::llabs(whole)) + u'.' +
                QString::number(frac).rightJustified(scale_, u'0');
    return (units_ < 0 ? QStringLiteral("-") : QString()) + s;
}

double Decimal::toDouble() const {
    return double(units_) / std::pow(10.0, scale_);
}

Decimal Decimal::rescaled(int scale) const {
    if (scale == scale_) return *this;
    if (scale > scale_) return Decimal(units_ * pow10(scale - scale_), scale);
    const qint64 p = pow10(scale_ - scale);
    qint64 q = units_ / p;
    const qint64 r = units_ % p;
    if (std::llabs(r) * 2 >= p) q += units_ < 0 ? -1 : 1;
    return Decimal(q, scale);
}

bool operator==(const Decimal& a, const Decimal& b) {
    const int s = std::max(a.scale_, b.scale_);
    return a.rescaled(s).units_ == b.rescaled(s).units_;
}

}  // namespace db
