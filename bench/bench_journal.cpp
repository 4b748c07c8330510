// Opening the journal of one institution and type over one month on a large register: the
// journal dataset against the same statement fetched straight through the client library.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

#include "data/dm_pelta.h"
#include "data/heap.h"
#include "raw_fetch.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    data::keepFreedMemory();  // as the program does at start
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: bench_journal DATABASE\n";
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int runs = qEnvironmentVariableIntValue("BENCH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("BENCH_RUNS")
                         : 15;
    const int institution = 3;
    const int type = 4;
    // The register holds the 150 days before the day it was made; take the month before its end.
    TdmV dm;
    dm.IBDatabase1.setDatabaseName(path);
    dm.IBDatabase1.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="});
    dm.IBDatabase1.open();
    db::Transaction probe(dm.IBDatabase1);
    const QDate last =
        db::queryRows(probe, "select max(dat_issled) from issled").at(0).at(0).toDate();
    probe.commit();
    const QDate first = last.addMonths(-1).addDays(1);

    data::Dataset& journal = dm.Issled;
    auto openJournal = [&] {
        journal.close();
        journal.setParam("n_lissl1", type);
        journal.setParam("n_lissl2", type);
        journal.setParam("cod_lpu1", institution);
        journal.setParam("cod_lpu2", institution);
        journal.setParam("d1", first);
        journal.setParam("d2", last);
        journal.open();
        journal.last();
        journal.first();
        return journal.recordCount();
    };

    bench::RawQuery raw(path,
                        QString(journal.sql()).replace(QRegularExpression(":[a-z_0-9]+"), "?"));
    auto runRaw = [&] {
        return raw.run({type, type, institution, institution}, {first, last},
                       {'i', 'i', 'i', 'i', 'd', 'd'});
    };

    // Warm both paths (page cache, prepared statement) before measuring.
    const int appRows = openJournal();
    const int rawRows = runRaw();
    if (appRows != rawRows || appRows == 0) {
        QTextStream(stderr) << "row counts differ or are empty: " << appRows << " vs " << rawRows
                            << "\n";
        return 1;
    }
    std::vector<double> appTimes, rawTimes;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        openJournal();
        appTimes.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        runRaw();
        rawTimes.push_back(t.nsecsElapsed() / 1e6);
    }
    const double a = median(appTimes);
    const double r = median(rawTimes);
    QTextStream(stdout) << QStringLiteral("journal_open app_ms=%1 raw_ms=%2 ratio=%3 rows=%4\n")
                               .arg(a, 0, 'f', 2)
                               .arg(r, 0, 'f', 2)
                               .arg(a / r, 0, 'f', 2)
                               .arg(appRows);
    return 0;
}
