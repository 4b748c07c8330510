// Age in completed years between a birth date and a day, never negative.
#pragma once

#include <QDate>

namespace data {

int ageInYears(const QDate& birth, const QDate& today);

}  // namespace data
