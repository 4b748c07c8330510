// "Today" for the whole program: the system date, or a date fixed by a test.
#pragma once

#include <QDate>

namespace data::clock {

QDate today();
void setToday(const QDate& date);  // an invalid date goes back to the system date

}  // namespace data::clock
