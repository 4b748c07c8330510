// The statement of the patient search: what the user filled in on the search page turned into
// one select over the register, every value a bound parameter.
#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantMap>

struct SearchCriteria {
    QDate periodFrom, periodTo;  // sampling period, always applied
    QString uniqueNumber;        // "Уник. №"
    QString cardNumber;          // "Карта  №"
    QString surname, firstName, patronymic;
    QString sex;             // "Пол", as typed
    QString ageFrom, ageTo;  // "Возраст от", "до"
    QString residence;       // "Житель": one of the captions, or anything else for none
    QString samplingDate;    // "Дата взятия ан.", dd.MM.yyyy or only the mask
    QString deliveryDate;    // "Дата доставки"
    QString resultDate;      // "Дата результ."
    QString diagnosis;       // "Диагноз МКБ", as typed
    // Keys of the selectors; 0 (or less) means none chosen.
    int type = 0, country = 0, territory = 0, district = 0, institution = 0, department = 0,
        examinationCode = 0, fundingSource = 0, doctor = 0, labAssistant = 0;
};

struct SearchStatement {
    QString sql;
    QVariantMap params;
};

// Throws db::DbError with a Russian message naming the field when a number or a date is not
// one, or when a text has characters the database cannot hold; nothing is searched then.
SearchStatement searchStatement(const SearchCriteria& criteria);
