// The yardstick: a statement run straight through the Firebird client, rows fetched into the
// message buffer and nothing else.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

namespace bench {

struct IntParam {
    int value;
};

class RawQuery {
public:
    RawQuery(const QString& database, const QString& sql);
    ~RawQuery();
    // Parameters in marker order: integers and dates. Returns the number of rows fetched.
    int run(const std::vector<int>& ints, const std::vector<QDate>& dates,
            const std::vector<char>& order);

private:
    struct State;
    State* d;
};

}  // namespace bench
