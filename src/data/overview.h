// "Сводка": the laboratory's work over a period at a glance, as four sets of figures, each read
// by one statement grouped in the database, all four in one read-only snapshot: the
// investigations per day or week and type, the days patients waited for their result, the
// results and norm minutes of each member of staff, and the answers of the screening tests per
// week with the share positive.
#pragma once

#include <QDate>
#include <QString>

#include "data/data_source.h"
#include "data/dataset.h"
#include "db/firebird.h"

namespace data {

struct OverviewSelection {
    int institution = 0;  // COD_LPU; 0 for every institution
    int type = 0;         // N_LISSL; 0 for every type
    QDate from, to;       // sampling dates, both days included

    // Past 62 days the workload is counted per week (from Monday) instead of per day.
    bool weekly() const { return from.daysTo(to) + 1 > 62; }
};

// The answers counted as positive: a result holding either text, whatever its case.
const QStringList& positiveAnswerMarks();

class Overview {
public:
    explicit Overview(db::Connection& connection);

    // Reads the four panels afresh for the selection, all in one snapshot, each dataset's rows
    // in the order described at its statement below.
    void read(const OverviewSelection& selection);
    void close();

    // PERIOD_START (the day, or the Monday of the week), TYPE_NPP, TYPE_NAME, INVESTIGATIONS;
    // by period, then type.
    static QString workloadStatement(bool weekly);
    // Per type (TYPE_NAME, in the types' order, records without a type last) and measure
    // (MEASURE: 1 sampling to delivery, 2 delivery to result, MEASURE_NAME): MEASURED (records
    // with both dates in order), MEDIAN_DAYS and P90_DAYS over them (interpolated between the
    // two nearest values), NO_DATA (a date missing) and DATE_ERROR (the later date before the
    // earlier one).
    static QString turnaroundStatement();
    // ROLE ("Лаборант", "Врач"), PERSON, RESULTS (results entered), MINUTES (the norm minutes
    // they stand for, as the period report counts them); by role, then most results first.
    static QString staffStatement();
    // WEEK_START (Monday), ANSWER (a result without digits, lower case and trimmed), POSITIVE
    // (1 for an answer holding a positive mark), ANSWERS (how many), POSITIVE_SHARE (per cent
    // of the week's answers that are positive); by week, positive answers first.
    static QString positivityStatement();

    db::Transaction snapshot;
    Dataset workload;
    Dataset turnaround;
    Dataset staff;
    Dataset positivity;
    DataSource workloadSource;
    DataSource turnaroundSource;
    DataSource staffSource;
    DataSource positivitySource;
};

}  // namespace data
