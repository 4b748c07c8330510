// The statement of the patient search: what the user filled in on the search page turned into
// one select over the register, a line for each criterion filled in (search_criteria.h), every
// value a bound parameter.
#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

struct SearchCriteria {
    QDate periodFrom, periodTo;  // sampling period, always applied
    // What each criterion's control holds, in the order of searchCriteria(): a text as typed, a
    // selector's key (0 or less: none chosen), a range's two texts.
    QVariantList values;
};

struct SearchStatement {
    QString sql;
    QVariantMap params;
};

// Throws db::DbError with a Russian message naming the field when a number or a date is not
// one, or when a text has characters the database cannot hold; nothing is searched then.
SearchStatement searchStatement(const SearchCriteria& criteria);
