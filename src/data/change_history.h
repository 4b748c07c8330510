// The change log as the windows show it: one investigation's timeline, newest first, and the
// investigations deleted in a period. Both read in a read-only snapshot of their own, taken
// afresh at each reading.
#pragma once

#include <QDate>
#include <QString>

#include "data/data_source.h"
#include "data/dataset.h"
#include "db/firebird.h"

namespace data {

// What the card calls a column of ISSLED ("Фамилия" for FAM); the column's own name for one the
// card does not show.
QString changedFieldCaption(const QString& column);

class ChangeHistory {
public:
    explicit ChangeHistory(db::Connection& connection);

    // One record's events, newest first: CHANGED_AT (dd.mm.yyyy hh:mm:ss), USER_NAME,
    // WORKSTATION, EVENT ("Регистрация", "Изменение", "Удаление"), WHAT (the field's caption, or
    // the indicator's name for a result), OLD_VALUE and NEW_VALUE (a directory's code by its
    // name, while the directory has it).
    void readTimeline(int investigationKey);
    // The investigations deleted from `from` to `to`, both days included, newest first:
    // N_ISSLED, DELETED_AT, USER_NAME, WORKSTATION, PATIENT, TYPE_NAME, SAMPLED (the values they
    // held when deleted).
    void readDeleted(const QDate& from, const QDate& to);
    // The patient a record's log names last ("Иванов Иван Иванович"); empty when it names none.
    QString patientOf(int investigationKey);

    // Each list its own snapshot: the deleted investigations stay shown while one's timeline is
    // read.
    db::Transaction timelineSnapshot;
    db::Transaction deletedSnapshot;
    Dataset timeline;
    Dataset deleted;
    DataSource timelineSource;
    DataSource deletedSource;

};

}  // namespace data
