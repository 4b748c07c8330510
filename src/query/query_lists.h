// The lists the query builder's criteria are ticked in: the directory values that occur in the
// register, and the indicators of the ticked types that have a result.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Transaction;
}

namespace query {

// A directory whose values occurring in the register a criterion's list offers.
enum class ValuesOf {
    Types,
    Countries,
    Territories,
    Districts,
    Institutions,
    Departments,
    ExaminationCodes,
    FundingSources,
    Doctors,
    LabAssistants,
    Diagnoses,
};

// A list's entries in its order: each one's key (as text) and what it shows.
struct ValueList {
    QStringList keys;
    QStringList names;
};

// The statement of a list: only values the register uses, in the directory's order.
QString valuesStatement(ValuesOf values);
ValueList readValues(db::Transaction& transaction, ValuesOf values);

// The indicators of the types that have a result, in the types' and their composition's order;
// each indicator once, at its first place. The type keys are bound, one parameter each.
QString indicatorsStatement(int typeCount);
ValueList readIndicatorsOf(db::Transaction& transaction, const QList<int>& types);

}  // namespace query
