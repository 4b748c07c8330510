#include "reports/period_records.h"

#include <QHash>

#include "data/dataset.h"
#include "data/field.h"
#include "data/lab_data.h"

namespace reports {

namespace {

// The type's composition in its order; rows of one position keep the order they were added in.
const char* const kIndicatorsSql =
    "Select l.n_lipr,l.npp,s.name from lab_issl_priz l, sp_priz_lab_issl s Where "
    "l.n_prlab=s.n_prlab   and l.n_lissl=:n_lissl   order by l.npp,l.n_lipr";

// Every result of the listed investigations with the composition row it belongs to.
const char* const kResultsSql =
    "Select b.n_issled,l.n_lipr,b.result from Issled i join lab_issl_bol b on "
    "b.n_issled=i.n_issled join lab_issl_priz l on l.n_prlab=b.n_prlab and l.n_lissl=:n_lissl "
    "Where i.n_lissl=:n_lissl and i.dat_rezult between :d1 and :d2";

QString textOf(const data::Dataset& dataset, int column) {
    return data::displayText(dataset.fields()[column], dataset.value(column));
}

}  // namespace

PeriodRecords readPeriodRecords(LabData& labData, const QString& select, int type,
                                const QDate& from, const QDate& to) {
    PeriodRecords period;
    db::Transaction& transaction = labData.writeTransaction;

    data::Dataset indicators(transaction, QStringLiteral("reportIndicators"));
    indicators.setSql(QString::fromLatin1(kIndicatorsSql));
    indicators.setParam("n_lissl", type);
    indicators.open();
    QHash<int, int> columnOfRow;  // composition row → its place among the indicators
    for (indicators.first(); !indicators.eof(); indicators.next()) {
        columnOfRow.insert(indicators.value("N_LIPR").toInt(), int(period.indicators.size()));
        period.indicators << indicators.value("NAME").toString();
    }

    data::Dataset results(transaction, QStringLiteral("reportResults"));
    results.setSql(QString::fromLatin1(kResultsSql));
    results.setParam("n_lissl", type);
    results.setParam("d1", from);
    results.setParam("d2", to);
    results.open();
    QHash<int, QStringList> resultsOf;
    for (results.first(); !results.eof(); results.next()) {
        const auto place = columnOfRow.constFind(results.value("N_LIPR").toInt());
        if (place == columnOfRow.constEnd()) continue;
        QStringList& line = resultsOf[results.value("N_ISSLED").toInt()];
        if (line.isEmpty()) line = QStringList(period.indicators.size(), QString());
        line[*place] = results.value("RESULT").toString();
    }

    data::Dataset records(transaction, QStringLiteral("reportRecords"));
    records.setSql(select +
                   QStringLiteral(":n_lissl and i.dat_rezult between :d1 and :d2 Order by i.npp"));
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
    return period;
}

}  // namespace reports
