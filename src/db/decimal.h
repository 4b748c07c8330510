// An exact fixed-point number (NUMERIC/DECIMAL): an integer count of 10^-scale units.
#pragma once

#include <QMetaType>
#include <QString>
#include <optional>

namespace db {

class Decimal {
public:
    Decimal() = default;
    Decimal(qint64 units, int scale) : units_(units), scale_(scale) {}

    qint64 units() const { return units_; }
    int scale() const { return scale_; }

    // Accepts "12", "-3.5", "0,25" (a comma as in the Russian locale); nullopt otherwise.
    static std::optional<Decimal> fromString(const QString& text);
    QString toString() const;
    double toDouble() const;
    // The same value with another number of digits after the point, rounded half away from zero.
    Decimal rescaled(int scale) const;

    friend bool operator==(const Decimal& a, const Decimal& b);

private:
    qint64 units_ = 0;
    int scale_ = 0;
};

}  // namespace db

Q_DECLARE_METATYPE(db::Decimal)
