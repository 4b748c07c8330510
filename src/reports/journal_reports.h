// The reports over the journal's selection (its type, its period, its institution): the results
// journal in a text document, the two named reports and the period report of indicators in
// spreadsheets. Placement (fill…) is kept apart from reading, for the writers' tests.
#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <functional>

#include "reports/period_records.h"

#include "reports/issuing.h"

class LabData;
class QWidget;

namespace office {
class Spreadsheet;
class TextDocument;
}  // namespace office

namespace reports {

// What the journal shows when a report is asked for.
struct JournalSelection {
    int type = 0;         // 0: no type chosen
    QString typeText;     // as the type selector shows it
    QString institution;  // the institution the journal shows
    QDate from, to;
};

// "Петрова А.В."; a missing first name or patronymic leaves only its point.
QString shortName(const QString& surname, const QString& firstName, const QString& patronymic);

// The results journal: a title and one table, or two on two pages past 20 indicators.
void fillResultsJournal(office::TextDocument& document, const JournalSelection& selection,
                        const PeriodRecords& period);

enum class NamedReportKind { Short, Full };
// The named report into a sheet made from its template.
void fillNamedReport(office::Spreadsheet& sheet, NamedReportKind kind,
                     const JournalSelection& selection, const PeriodRecords& period);

struct IndicatorCount {
    QString name;
    QString unit;
    QString count;
    QVariant doctorMinutes;  // a NUMERIC total; NULL for none
    QVariant assistantMinutes;
};
// "45мин", "7,5мин", "1ч", "1ч 5мин", "1ч 2,5мин"; empty for no time.
QString timeText(const QVariant& minutes);
// The period report's statement, with the parameters :n_lissl, :d1 and :d2.
QString periodReportStatement();
// The period report's counts, read in one read-only snapshot.
QList<IndicatorCount> readIndicatorCounts(LabData& labData, int type, const QDate& from,
                                          const QDate& to);
// The period report; progress(row) is told each indicator row as it is written.
void fillPeriodReport(office::Spreadsheet& sheet, const JournalSelection& selection,
                      const QList<IndicatorCount>& counts,
                      const std::function<void(int)>& progress = {});

// Told each row written (done of total) while a long document is filled.
using Progress = std::function<void(int done, int total)>;

// The commands: they read the database, make, keep a copy of and show the document, and say
// what became of it. parent is the window the document's closing question stands for.
class JournalReports {
public:
    JournalReports(LabData& labData, QWidget* parent);

    Outcome resultsJournal(const JournalSelection& selection);
    Outcome namedReport(NamedReportKind kind, const JournalSelection& selection);
    Outcome periodReport(const JournalSelection& selection, const Progress& progress = {});

    // The named report's template beside the executable.
    static QString namedReportTemplate(NamedReportKind kind);

private:
    LabData& labData_;
    QWidget* parent_;
};

}  // namespace reports
