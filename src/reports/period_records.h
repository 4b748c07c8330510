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

// A directory an investigation names by key, joined to the register for its name.
enum class Joined { None, Institution, Department, FundingSource, Doctor, ExaminationCode,
                    Country, Territory, District };

// A column a report lists: its expression over the register "i" (or a joined directory's
// alias), and the directory it needs joined.
struct RecordColumn {
    const char* expression;
    Joined joined = Joined::None;
};

struct PeriodRecord {
    QStringList columns;  // the select's columns after the key, as text, in its order
    RecordTexts byName;   // the same, by column name
    QStringList results;  // one text per indicator of the type, in its order; empty when absent
};

struct PeriodRecords {
    QStringList indicators;  // the type's indicators in composition order
    QList<PeriodRecord> records;
};

// The select of the records: the key, then the columns in their order, from the register with
// the directories they name joined once each; of one type, by result date, in the register's
// order.
QString periodRecordsSelect(const QList<RecordColumn>& columns);

// The records with the columns, and each result under its own indicator, matched by its row of
// the type's composition; all read in one read-only snapshot.
PeriodRecords readPeriodRecords(LabData& labData, const QList<RecordColumn>& columns, int type,
                                const QDate& from, const QDate& to);

}  // namespace reports
