// What the per-patient documents hold and where it goes on their templates: the result sheet,
// the operational notification and the referral for an ELISA (HIV) test. Pure placement: the
// texts come in already read, the cells are written into a spreadsheet made from the template.
#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

namespace office {
class Spreadsheet;
}

namespace reports {

// One investigation record's columns as text, by upper-case column name: dates as 10.12.2026,
// numbers in decimal, NULL as an empty text.
struct RecordTexts {
    QHash<QString, QString> columns;
    QString operator[](const QString& column) const { return columns.value(column.toUpper()); }
};

// One result of the record with its indicator.
struct ResultLine {
    QString indicator;
    QString result;
    QString unit;
    QString norm;
};

struct ResultSheet {
    QString laboratory;  // the laboratory's short name
    QString typeName;    // the record's own investigation type
    RecordTexts record;
    QList<ResultLine> results;  // in the type's order; those without a result are skipped
};

struct PatientForm {
    QString laboratory;
    RecordTexts record;
    QList<ResultLine> results;  // the notification's; those without a result are skipped
};

// Fills a spreadsheet made from the type's template.
void fillResultSheet(office::Spreadsheet& sheet, const ResultSheet& data);
// Fills the notification form.
void fillNotification(office::Spreadsheet& sheet, const PatientForm& data);
// Fills the referral form; today is its date.
void fillReferral(office::Spreadsheet& sheet, const PatientForm& data, const QDate& today);

// The registered address: territory, district with " р-он ", settlement, street, as present.
QString registeredAddress(const RecordTexts& record);
// "5 марта 1980 г."
QString dateInWords(const QDate& date);

}  // namespace reports
