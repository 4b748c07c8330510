// The query builder's counting statement: the recorded criteria written as lines of SQL, the
// order clause that sorting by column titles puts in place of the last line, and the text of a
// saved query file.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace query {

// "Количество": one row per type and indicator; "Результаты": per type, indicator and value.
enum class Mode { Count, Results };

enum class AgeComparison { AtLeast, AtMost, Exactly };  // ">=", "<=", "="

struct Period {
    QDate from;
    QDate to;
};

struct TypeSelection {
    QList<int> types;       // keys of the ticked types, in the list's order
    QList<int> indicators;  // keys of the ticked indicators, in the list's order
};

struct Age {
    AgeComparison comparison = AgeComparison::AtLeast;
    int years = 0;
    QDate reference;  // the age is counted on this day
};

// The sexes of the sex list, ticked or not.
struct Sexes {
    bool male = false;
    bool female = false;
};

// The criteria that are recorded (a criterion that is not recorded is empty). The name lists
// hold the ticked entries' texts in list order; residence holds the ticked entries' positions.
struct Criteria {
    Mode mode = Mode::Count;
    std::optional<Period> period;
    std::optional<TypeSelection> types;
    std::optional<Sexes> sexes;
    std::optional<Age> age;
    std::optional<QStringList> countries;
    std::optional<QList<int>> residence;
    std::optional<QStringList> territories;
    std::optional<QStringList> districts;
    std::optional<QStringList> institutions;
    std::optional<QStringList> departments;
    std::optional<QStringList> examinationCodes;
    std::optional<QStringList> fundingSources;
    std::optional<QStringList> doctors;
    std::optional<QStringList> labAssistants;
    std::optional<QStringList> diagnoses;
};

// A date as the statement writes it: 31.03.2010, whatever the workstation's locale.
QString dateLiteral(const QDate& date);

// The statement, one list entry per line.
QStringList statementLines(const Criteria& criteria);

// A column the user marked for sorting, in the order of marking.
struct SortColumn {
    QString field;
    bool ascending = true;
};

// The order clause for the marked columns (" ORDER BY ..."), empty when none is marked.
QString orderClause(const QList<SortColumn>& columns);
// The statement sorted: the clause replaces the last line when that is an order line, and is
// added otherwise; with no column marked an order line is removed.
QStringList sortedLines(const QStringList& lines, const QList<SortColumn>& columns);

// The first call of a generator in a statement's text (GEN_ID(...) or NEXT VALUE FOR), as
// written, outside string literals, quoted names and comments; empty when there is none. Such a
// call moves the generator even in a select of a read-only transaction.
QString generatorCall(const QString& sql);
// The statement's first keyword in capitals (SELECT, WITH, EXECUTE, …), past comments.
QString firstKeyword(const QString& sql);

// A saved query file: each line in Windows-1251 followed by CR LF. Throws db::DbError for a
// character the code page cannot hold.
QByteArray fileText(const QStringList& lines);
// The lines of a saved file; LF or CR LF, a final line end adds no empty line.
QStringList linesOfFile(const QByteArray& bytes);

}  // namespace query
