// The investigations of one type whose results are dated within a period, with the results of
// every indicator of the type, read for the reports that list them: the results journal and the
// named reports.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "reports/patient_sheets.h"

class LabData;

namespace reports {

struct PeriodRecord {
    QStringList columns;  // the select's columns after the key, as text, in its order
    RecordTexts byName;   // the same, by column name
    QStringList results;  // one text per indicator of the type, in its order; empty when absent
};

struct PeriodRecords {
    QStringList indicators;  // the type's indicators in composition order
    QList<PeriodRecord> records;
};

// select is a statement whose first column is N_ISSLED, ending in "Where i.n_lissl=" without
// the key: the condition on the type and the result dates and the order are added here. Each
// result goes under its own indicator, matched by its row of the type's composition.
PeriodRecords readPeriodRecords(LabData& labData, const QString& select, int type,
                                const QDate& from, const QDate& to);

}  // namespace reports
