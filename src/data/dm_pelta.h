// The data module dmV: both connections, the three transactions, the statement objects and every
// dataset more than one window uses, with the behaviour that must hold whichever window edits.
#pragma once

#include <QObject>

#include "data/data_source.h"
#include "data/dataset.h"
#include "data/statement_object.h"
#include "db/firebird.h"

class TdmV : public QObject {
    Q_OBJECT
public:
    explicit TdmV(QObject* parent = nullptr);
    ~TdmV() override;

    db::Connection IBDatabase1;      // main database
    db::Connection IBDatabase2;      // an institution's patient register, attached for one copy
    db::Transaction IBTransaction1;  // every write: read committed, record version, no wait
    db::Transaction IBTransaction2;  // register look-ups: read-only snapshot
    db::Transaction IBTransaction3;  // the search: read-only snapshot

    data::StatementObject IBSQL1;
    data::StatementObject IBSQL2;
    data::StatementObject IBSQL3;

    data::Dataset IBQuery1;   // RECV_ST
    data::Dataset IBQuery2;   // investigation types, for the selectors
    data::Dataset IBQuery3;   // institutions
    data::Dataset IBQuery4;   // departments
    data::Dataset IBQuery5;   // doctors
    data::Dataset IBQuery6;   // funding sources
    data::Dataset IBQuery12;  // laboratory assistants
    data::Dataset IBQuery53;  // investigation types, for the directories
    data::Dataset IBQuery54;  // all indicators with the types that contain them
    data::Dataset IBQuery55;  // composition of one type
    data::Dataset IBQuery13;  // indicators of one type, for their time norms
    data::Dataset Issled;     // the journal
    data::Dataset Karta;      // the record open in the card
    data::Dataset IBQuery8;   // examination codes
    data::Dataset IBQuery9;   // countries
    data::Dataset IBQuery10;  // territories
    data::Dataset IBQuery11;  // districts
    data::Dataset IBQuery99;  // scratch query of the report writers

    data::DataSource DataSource1, DataSource2, DataSource3, DataSource4, DataSource5, DataSource6,
        DataSource12, DataSource53, DataSource54, DataSource55, DataSource13, DSIssled, DSKarta,
        DataSource8, DataSource9, DataSource10, DataSource11, DataSource99;

    data::UpdateSql IBUpdateSQL1, IBUpdateSQL2, IBUpdateSQL3, IBUpdateSQL4, IBUpdateSQL5,
        IBUpdateSQL6, IBUpdateSQL12, IBUpdateSQL53, IBUpdateSQL54, IBUpdateSQL55, IBUpdateSQL13,
        IBUpdateSQL7, IBUpdateSQL8;

    // The journal's institution list (owned by the main window); a new record takes its COD_LPU.
    data::Dataset* journalInstitutions = nullptr;

    // Every dataset of the main database, for closing them all at shutdown.
    QList<data::Dataset*> mainDatasets();

    void IssledAfterInsert(data::Dataset& dataset);
    void IssledDAT_RValidate(data::Dataset& dataset, const QVariant& birthDate);
    void KartaDAT_RValidate(data::Dataset& dataset, const QVariant& birthDate);
    void IBQuery53AfterScroll(data::Dataset& dataset);
    void IBQuery55AfterInsert(data::Dataset& dataset);
    void IBQuery4AfterInsert(data::Dataset& dataset);

private:
    void setUpDatasets();
    static void setAgeFromBirthDate(data::Dataset& dataset, const QVariant& birthDate);
};

extern TdmV* dmV;

// The columns of ISSLED in the order the journal and the card write them back.
const QStringList& issledColumns();
