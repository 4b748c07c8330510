#include "data/age.h"

namespace data {

int ageInYears(const QDate& birth, const QDate& today) {
    // A birth date after today counts the distance the other way round.
    const QDate a = birth < today ? birth : today;
    const QDate b = birth < today ? today : birth;
    int years = b.year() - a.year();
    int months = 0;
    if (b.month() < a.month()) {
        months = 12;
        --years;
    }
    months += b.month() - a.month();
    if (b.day() < a.day()) {
        if (months == 0)
            --years;
        else
            --months;
    }
    return years;
}

}  // namespace data
