#include "data/patient_register.h"

#include <QDate>
#include <QDateTime>

#include "data/dataset.h"
#include "data/statement_object.h"
#include "db/decimal.h"
#include "db/firebird.h"

namespace data {
namespace {

const char* const kPatientSql = "Select * from karta k Where k.nom=:nom";
const char* const kDiagnosesSql =
    "Select d7.kod from diag_pacien d,diag7 d7 Where d.nom7=d7.nom7   and d.nom=:nom";

enum class Conversion {
    Text,            // as read
    Date,            // a date
    Code,            // a whole number kept as text by the register
    FirstCharacter,  // the sex: its first letter
};

struct RegisterColumn {
    const char* name;  // as the register names it
    const char* recordColumn;
    Conversion conversion;
};

const RegisterColumn kColumns[] = {
    {"Fam", "FAM", Conversion::Text},
    {"Imja", "IMJA", Conversion::Text},
    {"Otch", "OTCH", Conversion::Text},
    {"Vozr", "DAT_R", Conversion::Date},
    {"Kod_Snils", "SNILS", Conversion::Text},
    {"Nom_pol", "NOM_POL", Conversion::Text},
    {"UID", "NOM_KART", Conversion::Text},
    {"cod_gos", "COD_GOS", Conversion::Code},
    {"cod_ter", "COD_TER", Conversion::Code},
    {"cod_raion", "COD_RAION", Conversion::Code},
    {"Nas_punkt", "NAS_PUNKT", Conversion::Text},
    {"Adres", "ADRES", Conversion::Text},
    {"Pol", "POL", Conversion::FirstCharacter},
    {"Pr_live", "PR_LIVE", Conversion::Text},
};

// The register attached for one read. finish() commits the snapshot and detaches, letting a
// failure of either through; a session left without finish() (a failure is on its way) does the
// same quietly, so that the first failure is the one reported. A detach that fails even so leaves
// the connection to the next copy, which closes it first.
class RegisterSession {
public:
    RegisterSession(StatementObject& statement, const QString& path)
        : statement_(statement),
          snapshot_(statement.transaction()),
          connection_(snapshot_.connection()) {
        // A register left attached by an earlier failure is let go first.
        if (connection_.isOpen()) connection_.close();
        connection_.setDatabaseName(path);
        try {
            connection_.open();
        } catch (const db::DbError& e) {
            // The server's words alone do not say which database they are about.
            throw db::DbError(QStringLiteral("Не удалось открыть базу данных пациентов этого ЛПУ "
                                             "(%1). Данные пациента не скопированы.\n\n%2")
                                  .arg(path, e.message()),
                              e.sqlCode(), e.gdsCode(), e.kind());
        }
        try {
            snapshot_.start();
        } catch (...) {
            release();
            throw;
        }
    }
    ~RegisterSession() {
        if (!finished_) release();
    }
    RegisterSession(const RegisterSession&) = delete;
    RegisterSession& operator=(const RegisterSession&) = delete;

    void finish() {
        finished_ = true;
        try {
            statement_.close();
            if (snapshot_.isActive()) snapshot_.commit();
        } catch (...) {
            release();
            throw;
        }
        connection_.close();
    }

private:
    void release() noexcept {
        statement_.close();
        try {
            if (snapshot_.isActive()) snapshot_.commit();
        } catch (const std::exception&) {
        }
        try {
            connection_.close();  // rolls back a snapshot the commit left running
        } catch (const std::exception&) {
        }
    }

    StatementObject& statement_;
    db::Transaction& snapshot_;
    db::Connection& connection_;
    bool finished_ = false;
};

QString textOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<db::Decimal>())
        return value.value<db::Decimal>().toString();
    return value.toString();
}

QVariant converted(const RegisterColumn& column, const QVariant& value) {
    if (value.isNull()) return {};
    const QString text = textOf(value);
    switch (column.conversion) {
        case Conversion::Text:
            return text.isEmpty() ? QVariant() : QVariant(text);
        case Conversion::Date:
            if (value.typeId() == QMetaType::QDate) return value;
            if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
            if (text.trimmed().isEmpty()) return {};
            throw db::DbError(
                QStringLiteral("В регистре пациентов в столбце %1 не дата: «%2». Данные пациента "
                               "не скопированы.")
                    .arg(QLatin1String(column.name), text));
        case Conversion::Code: {
            const QString code = text.trimmed();
            if (code.isEmpty()) return {};
            bool ok = false;
            const int number = code.toInt(&ok);
            if (!ok)
                throw db::DbError(
                    QStringLiteral("В регистре пациентов в столбце %1 не целое число: «%2». "
                                   "Данные пациента не скопированы.")
                        .arg(QLatin1String(column.name), text));
            return number;
        }
        case Conversion::FirstCharacter: {
            const QString sex = text.trimmed();
            return sex.isEmpty() ? QVariant() : QVariant(sex.left(1));
        }
    }
    return {};
}

QVariant columnValue(const StatementObject& row, const char* column) {
    try {
        return row.value(QLatin1String(column));
    } catch (const db::DbError&) {
        throw db::DbError(QStringLiteral("В таблице karta регистра пациентов нет столбца %1. "
                                         "Данные пациента не скопированы.")
                              .arg(QLatin1String(column)));
    }
}

// A text longer than its column is cut to it, as the column could not hold it.
QVariant cutToColumn(const Field& field, const QVariant& value) {
    if (!field.isText() || field.size <= 0 || value.typeId() != QMetaType::QString) return value;
    const QString text = value.toString();
    return text.size() > field.size ? QVariant(text.left(field.size)) : value;
}

// The current record's buffer as it was before a change, put back when the change is not saved:
// the values shown (what the user typed included), whether the record was being edited, and
// whether the dataset had anything unsaved at all.
class KeptRecord {
public:
    explicit KeptRecord(Dataset& record)
        : record_(record), state_(record.state()), unsaved_(record.updatesPending()) {
        for (int i = 0; i < record.fields().size(); ++i) values_ << record.value(i);
    }

    // Called while a failure is handled: a failure here must not replace that one, and the
    // values put back are the record's own, which it took before.
    void putBack() noexcept {
        try {
            record_.edit();
            // Twice: a column's rule (the age from the birth date) may change one set before.
            for (int pass = 0; pass < 2; ++pass)
                for (int i = 0; i < values_.size(); ++i)
                    if (record_.value(i) != values_[i]) record_.setValue(i, values_[i]);
            record_.post();
            // A record stored as the database holds it has nothing left to write.
            if (!unsaved_) record_.commitUpdates();
            if (state_ == DatasetState::Edit) record_.edit();
        } catch (const std::exception&) {
        }
    }

private:
    Dataset& record_;
    DatasetState state_;
    bool unsaved_;
    QVector<QVariant> values_;
};

}  // namespace

std::optional<RegisterPatient> readRegisterPatient(StatementObject& statement, const QString& path,
                                                   int patientNumber) {
    RegisterSession session(statement, path);
    statement.setSql(QLatin1String(kPatientSql));
    statement.setParam("nom", patientNumber);
    statement.execute();
    if (statement.eof()) {
        session.finish();
        return std::nullopt;
    }
    RegisterPatient patient;
    for (const RegisterColumn& column : kColumns)
        patient.columns.append({QLatin1String(column.recordColumn),
                                converted(column, columnValue(statement, column.name))});

    statement.setSql(QLatin1String(kDiagnosesSql));
    statement.setParam("nom", patientNumber);
    for (statement.execute(); !statement.eof(); statement.next()) {
        // A code of a CHAR column comes padded; an empty one has nothing to join.
        const QString code = textOf(statement.value(0)).trimmed();
        if (!code.isEmpty()) patient.diagnoses << code;
    }
    session.finish();
    return patient;
}

void writeRegisterPatient(Dataset& record, const RegisterPatient& patient, bool withResidence) {
    KeptRecord kept(record);
    try {
        record.edit();
        for (const auto& [column, value] : patient.columns) {
            if (column == QLatin1String("PR_LIVE") && !withResidence) continue;
            record.setValue(column, cutToColumn(record.field(column), value));
        }
        if (!patient.diagnoses.isEmpty()) {
            const QString joined = joinDiagnoses(patient.diagnoses, record.field("DIAG_COD").size);
            if (!joined.isEmpty()) record.setValue("DIAG_COD", joined);
        }
        record.save(SaveFailure::KeepChanges);
    } catch (...) {
        kept.putBack();
        throw;
    }
}

QString joinDiagnoses(const QStringList& codes, int width) {
    QString joined;
    for (const QString& code : codes) {
        const QString longer = joined.isEmpty() ? code : joined + QStringLiteral(", ") + code;
        if (width > 0 && longer.size() > width) break;
        joined = longer;
    }
    return joined;
}

QString registerCopyMessage(RegisterCopy outcome) {
    switch (outcome) {
        case RegisterCopy::Copied:
            return {};
        case RegisterCopy::NoPatientKey:
            return QStringLiteral("Введите ЛПУ и уник.номер пациента");
        case RegisterCopy::NoRegisterPath:
            return QStringLiteral(
                "Для этого ЛПУ не задан путь к базе данных пациентов (Справочники / Лечебные "
                "учреждения, «Путь к базе данных»).");
        case RegisterCopy::PatientNotFound:
            return QStringLiteral("Пациент не найден");
    }
    return {};
}

}  // namespace data
