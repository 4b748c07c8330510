// Copying a patient's particulars from an institution's own patient register (a database of its
// own, attached for one copy only) into an investigation record.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>

namespace data {

class Dataset;
class StatementObject;

// A register patient as the record takes it: record columns with the values converted from the
// register's row, in the order they are set, and the diagnosis codes in the register's order.
struct RegisterPatient {
    QList<std::pair<QString, QVariant>> columns;
    QStringList diagnoses;
};

// Reads patient number patientNumber from the register at path through a statement object of
// the register's snapshot: attaches with the connection's own parameters, reads the row and the
// diagnoses, then commits the snapshot and detaches on every path, failure included. nullopt
// when the register has no such patient. A missing column, or a value the record cannot take (a
// code that is not a whole number), throws db::DbError.
std::optional<RegisterPatient> readRegisterPatient(StatementObject& statement, const QString& path,
                                                   int patientNumber);

// Writes a register patient into the current record and saves it with one commit: PR_LIVE only
// withResidence, DIAG_COD only when the register has a code. Texts are cut to their columns. When
// anything fails the record's buffer is put back as it was before (what the user typed but did
// not save included) and the failure passes on. The dataset must have no unsaved change but its
// current record's.
void writeRegisterPatient(Dataset& record, const RegisterPatient& patient, bool withResidence);

// Codes joined with ", ": as many whole codes, from the first, as fit into width characters.
QString joinDiagnoses(const QStringList& codes, int width);

// How a copy from the register ended when it did not fail.
enum class RegisterCopy {
    Copied,
    NoPatientKey,     // the record lacks its institution or the patient's unique number
    NoRegisterPath,   // the institution is unknown or has no register path
    PatientNotFound,  // the register has no patient with that number
};

// What the user is told of a copy that was not made; empty for a copy made.
QString registerCopyMessage(RegisterCopy outcome);

}  // namespace data
