// The per-patient documents as the card and the journal issue them: the result sheet from the
// record's own type's template, printed unseen or shown, and the two fixed forms, always shown.
// Every document is read from the database first, filled, kept in the archive folder when one
// is set, and only then printed or shown; a failure anywhere closes it unsaved.
#pragma once

#include <QString>

#include "data/session.h"
#include "reports/issuing.h"

class LabData;
class QWidget;

namespace data {
class Dataset;
}

namespace reports {

class PatientDocuments {
public:
    // parent is the window the documents' closing question stands for.
    PatientDocuments(LabData& labData, QWidget* parent);

    // The result sheet of the record the dataset stands on: NoTemplate when the record's type
    // names none, NothingToReport without a record.
    Outcome resultSheet(data::Dataset& record, ResultOutput output);
    // The operational notification and the referral for an ELISA (HIV) test, from the fixed
    // templates in the working folder.
    void notification(data::Dataset& record);
    void referral(data::Dataset& record);

    // A template named as stored ("ИФА.xlt", "Шаблоны\ИФА.xlt") in the working folder.
    static QString templatePath(const QString& storedName);

private:
    LabData& labData_;
    QWidget* parent_;
};

}  // namespace reports
