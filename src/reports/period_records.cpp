#include "reports/period_records.h"

#include <QHash>
#include <QSet>

#include "data/dataset.h"
#include "data/field.h"
#include "data/lab_data.h"

namespace reports {

namespace {

// The type's composition in its order; rows of one position keep the order they were added in.
const char* const kIndicatorsSql =
    "Select l.n_prlab,l.npp,s.name from lab_issl_priz l, sp_priz_lab_issl s Where "
    "l.n_prlab=s.n_prlab   and l.n_lissl=:n_lissl   order by l.npp,l.n_lipr";

// Every result of the listed investigations, by indicator. The investigations of the period
// lead and their results follow through the foreign key's index: "+0" leaves the optimizer no
// way to start from the results, which with a register's stale figures it would read whole (and
// starting from the type's composition would read its indicators' results of every period).
const char* const kResultsSql =
    "Select b.n_issled,b.n_prlab,b.result from Issled i join lab_issl_bol b on "
    "b.n_issled=i.n_issled+0 Where i.n_lissl=:n_lissl and i.dat_rezult between :d1 and :d2";

// Each directory's join, in the order a select writes them.
const std::pair<Joined, const char*> kJoins[] = {
    {Joined::Institution, "left join sp_lpu lpu on i.cod_lpu=lpu.cod_lpu"},
    {Joined::Department, "left join sp_otd otd on i.cod_otd=otd.cod_otd"},
    {Joined::FundingSource, "left join sp_ist_fin f on i.n_ifin=f.n_ifin"},
    {Joined::Doctor, "left join sp_vr v on i.cod_vr=v.cod_vr"},
    {Joined::ExaminationCode, "left join sp_kontingent k on i.n_kon=k.n_kon"},
    {Joined::Country, "left join sp_gos g on i.cod_gos=g.cod_gos"},
    {Joined::Territory, "left join sp_ter t on i.cod_ter=t.cod_ter"},
    {Joined::District, "left join sp_raion r on i.cod_raion=r.cod_raion"},
};

QString textOf(const data::Dataset& dataset, int column) {
    return data::displayText(dataset.fields()[column], dataset.value(column));
}

}  // namespace

QString periodRecordsSelect(const QList<RecordColumn>& columns) {
    QStringList expressions{QStringLiteral("i.n_issled")};
    QSet<Joined> needed;
    for (const RecordColumn& column : columns) {
        expressions << QString::fromUtf8(column.expression);
        needed.insert(column.joined);
    }
    QStringList from{QStringLiteral("Issled i")};
    for (const auto& [joined, join] : kJoins)
        if (needed.contains(joined)) from << QString::fromLatin1(join);
    return QStringLiteral("Select ") + expressions.join(u',') + QStringLiteral(" from ") +
           from.join(u' ') +
           QStringLiteral(" Where i.n_lissl=:n_lissl and i.dat_rezult between :d1 and :d2 "
                          "Order by i.npp");
}

PeriodRecords readPeriodRecords(LabData& labData, const QList<RecordColumn>& columns, int type,
                                const QDate& from, const QDate& to) {
    PeriodRecords period;
    // The composition, the results and the records as they stood at one moment: a result saved
    // meanwhile at another workstation cannot stand beside a record read before it.
    db::Transaction snapshot(labData.mainConnection, db::kReadOnlySnapshot);

    data::Dataset indicators(snapshot, QStringLiteral("reportIndicators"));
    indicators.setSql(QString::fromLatin1(kIndicatorsSql));
    indicators.setParam("n_lissl", type);
    indicators.open();
    // Indicator → its places among the type's indicators (one per composition row).
    QHash<int, QList<int>> placesOf;
    for (indicators.first(); !indicators.eof(); indicators.next()) {
        placesOf[indicators.value("N_PRLAB").toInt()] << int(period.indicators.size());
        period.indicators << indicators.value("NAME").toString();
    }

    data::Dataset results(snapshot, QStringLiteral("reportResults"));
    results.setSql(QString::fromLatin1(kResultsSql));
    results.setParam("n_lissl", type);
    results.setParam("d1", from);
    results.setParam("d2", to);
    results.open();
    QHash<int, QStringList> resultsOf;
    for (results.first(); !results.eof(); results.next()) {
        // A result of an indicator outside the type's composition has no place.
        const auto places = placesOf.constFind(results.value("N_PRLAB").toInt());
        if (places == placesOf.constEnd()) continue;
        QStringList& line = resultsOf[results.value("N_ISSLED").toInt()];
        if (line.isEmpty()) line = QStringList(period.indicators.size(), QString());
        const QString result = results.value("RESULT").toString();
        for (int place : *places) line[place] = result;
    }

    data::Dataset records(snapshot, QStringLiteral("reportRecords"));
    records.setSql(periodRecordsSelect(columns));
    records.setParam("n_lissl", type);
    records.setParam("d1", from);
    records.setParam("d2", to);
    records.open();
    const int count = int(records.fields().size());
    for (records.first(); !records.eof(); records.next()) {
        PeriodRecord record;
        for (int c = 1; c < count; ++c) {
            const QString text = textOf(records, c);
            record.columns << text;
            record.byName.columns.insert(records.fields()[c].name, text);
        }
        record.results = resultsOf.value(records.value(0).toInt(),
                                         QStringList(period.indicators.size(), QString()));
        period.records << record;
    }
    for (data::Dataset* read : {&indicators, &results, &records}) read->close();
    snapshot.commit();
    return period;
}

}  // namespace reports
