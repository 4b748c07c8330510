// The program's data: both connections, the three transactions, the statement objects, every
// dataset more than one window uses with the behaviour that must hold whichever window edits, and
// the session the windows share.
#pragma once

#include <QObject>
#include <QSet>

#include "data/change_history.h"
#include "data/data_source.h"
#include "data/dataset.h"
#include "data/patient_register.h"
#include "data/session.h"
#include "data/statement_object.h"
#include "db/firebird.h"

class LabData : public QObject {
    Q_OBJECT
public:
    explicit LabData(QObject* parent = nullptr);
    ~LabData() override;

    db::Connection mainConnection;      // main database
    db::Connection registerConnection;  // an institution's patient register, attached for one copy
    db::Transaction writeTransaction;   // every write: read committed, record version, no wait
    db::Transaction registerSnapshot;   // register look-ups: read-only snapshot
    db::Transaction searchSnapshot;     // the search: read-only snapshot

    data::StatementObject adHocStatement;
    data::StatementObject registerStatement;

    data::Dataset requisites;          // RECV_ST
    data::Dataset typeList;            // investigation types, for the selectors
    data::Dataset institutions;        // institutions
    data::Dataset departments;         // departments
    data::Dataset doctors;             // doctors
    data::Dataset fundingSources;      // funding sources
    data::Dataset labAssistants;       // laboratory assistants
    data::Dataset investigationTypes;  // investigation types, for the directories
    data::Dataset indicators;          // all indicators with the types that contain them
    data::Dataset composition;         // composition of one type
    data::Dataset indicatorNorms;      // indicators of one type, for their time norms
    data::Dataset journal;             // the journal
    data::Dataset card;                // the record open in the card
    data::Dataset examinationCodes;    // examination codes
    data::Dataset countries;           // countries
    data::Dataset territories;         // territories
    data::Dataset districts;           // districts
    data::Dataset journalResultMarks;  // keys of the journal's records with a result

    data::DataSource requisitesSource, typeListSource, institutionsSource, departmentsSource,
        doctorsSource, fundingSourcesSource, labAssistantsSource, investigationTypesSource,
        indicatorsSource, compositionSource, indicatorNormsSource, journalSource, cardSource,
        examinationCodesSource, countriesSource, territoriesSource, districtsSource;

    data::UpdateSql requisitesUpdate, typeListUpdate, institutionsUpdate, departmentsUpdate,
        doctorsUpdate, fundingSourcesUpdate, labAssistantsUpdate, investigationTypesUpdate,
        indicatorsUpdate, compositionUpdate, indicatorNormsUpdate, journalUpdate, cardUpdate;
    // The change log: a record's timeline and the investigations deleted in a period.
    data::ChangeHistory history;

    // The journal's institution list (owned by the main window); a new record takes its COD_LPU.
    data::Dataset* journalInstitutions = nullptr;

    // Every dataset of the main database, for closing them all at shutdown.
    QList<data::Dataset*> mainDatasets();

    Session session;

    // Before the card shows a record: when it has no results yet, one empty result per indicator
    // of the record's own type, in the type's order (none for a record without a type), written
    // at once. False when the record no longer exists (deleted here or at another workstation).
    bool prepareResults(int investigationKey);

    // The login every patient register is attached with (Reg.INI, section "register").
    void setRegisterLogin(const QString& user, const QString& password);
    // Copies the patient of a record (its COD_LPU and NOM) from the institution's register
    // (SP_LPU.PATH) into the record and saves it; PR_LIVE only withResidence. Throws db::DbError
    // when the copy fails, the record then being as it was.
    data::RegisterCopy copyPatientFromRegister(data::Dataset& record, bool withResidence);

    // The results of the record open in the card, as the card's grid edits them: the
    // statement, the fields and the writes; a new result belongs to the card's record.
    void setUpCardResults(data::Dataset& results);

    // The journal page's list of institutions, by name.
    void setUpJournalInstitutions(data::Dataset& list);
    // The keys of the journal's records that hold at least one result, read with the
    // journal's own selection (its parameters).
    QSet<int> journalRecordsWithResults();

    // Defaults of a new investigation record in the journal.
    void setNewRecordDefaults(data::Dataset& journal);
    // While the composition window is open: the composition of the type now current.
    void reloadCompositionOfCurrentType(data::Dataset& types);
    // Reads the composition of the given type again, and with it the highest position the next
    // added row follows; the first row becomes current.
    void readComposition(const QVariant& type);
    // A new composition row: the current type and indicator, appended after the last position.
    void numberNewCompositionRow(data::Dataset& composition);
    // A composition row dragged from its position onto another row's: it takes that position
    // and the rows between move up or down by one, as one change (refused part-way, none of it
    // stays); the highest position is read again.
    struct CompositionMove {
        int type = 0;
        int movedRow = 0, fromPosition = 0;  // N_LIPR and NPP of the row dragged
        int targetRow = 0, toPosition = 0;   // of the row it was dropped on
    };
    void moveCompositionRow(const CompositionMove& move);

private:
    void setUpDatasets();
    // The register path of an institution as the institutions list has it; empty when the
    // institution is not there.
    QString registerPathOf(int institution);
    static void setAgeFromBirthDate(data::Dataset& dataset, const QVariant& birthDate);
};

// What the card calls a column of ISSLED ("Фамилия" for FAM), as a message naming the field says
// it; empty for a column the card does not have.
QString cardFieldLabel(const QString& column);
// The columns of ISSLED in the order the journal and the card write them back.
const QStringList& issledColumns();

// The fields of a list of investigations with the names of what they point to, as the journal
// reads them: the record's columns, the joined names, the keys hidden.
QList<data::FieldSpec> investigationListFields();
