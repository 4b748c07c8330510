// The program's hot paths on a large register, each beside the same statements run straight
// through the client library: opening and reloading the journal, opening the card, saving one
// result, searching, and copying a patient from an institution's register. Prints
// "NAME app_ms=A raw_ms=B ratio=A/B" per measurement.
//
// The program runs on the register as given (its index statistics as daily work leaves them);
// the statements run straight on a second database, a copy of it whose statistics were
// recomputed, so a ratio also shows what stale statistics cost the program's plans.
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextStream>
#include <algorithm>
#include <functional>

#include "card/research_card.h"
#include "data/heap.h"
#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "journal/search_statement.h"
#include "raw_client.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Runs both sides alternately after one warm-up each and prints their medians.
void compare(const char* name, int runs, const std::function<void(int)>& app,
             const std::function<void(int)>& raw) {
    const QByteArray only = qgetenv("BENCH_ONLY");
    if (!only.isEmpty() && only != name) return;
    // Warm both sides up alike (caches, first fetches) before anything is timed.
    for (int i = 0; i < std::max(1, runs / 20); ++i) {
        app(0);
        raw(0);
    }
    std::vector<double> a, r;
    for (int i = 1; i <= runs; ++i) {
        a.push_back(timeMs([&] { app(i); }));
        r.push_back(timeMs([&] { raw(i); }));
    }
    const double am = median(a), rm = median(r);
    QTextStream(stdout) << QStringLiteral("%1 app_ms=%2 raw_ms=%3 ratio=%4\n")
                               .arg(QString::fromLatin1(name))
                               .arg(am, 0, 'f', 2)
                               .arg(rm, 0, 'f', 2)
                               .arg(am / rm, 0, 'f', 2);
}

}  // namespace

int main(int argc, char** argv) {
    data::keepFreedMemory();  // as the program does at start
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: bench_main DATABASE RECOMPUTED_COPY [PATIENT_REGISTER]\n";
        return 2;
    }
    const QString registerPath = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString recomputedPath = QString::fromLocal8Bit(argv[2]);
    const int runs = qEnvironmentVariableIntValue("BENCH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("BENCH_RUNS")
                         : 15;

    LabData labData;
    labData.mainConnection.setDatabaseName(path);
    labData.mainConnection.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="});
    labData.mainConnection.open();
    // The register holds the 150 days before the day it was made; take its last month.
    const QDate last =
        db::queryRows(labData.writeTransaction,
                      "select max(dat_issled) from issled where cod_lpu = 3 and n_lissl = 4")
            .at(0)
            .at(0)
            .toDate();
    const QDate first = last.addMonths(-1).addDays(1);
    const int type = 4;
    bench::RawSession raw(recomputedPath);

    // --- journal_open: the journal dataset alone.
    data::Dataset& journal = labData.journal;
    auto setJournal = [&](int institution) {
        journal.setParam("n_lissl1", type);
        journal.setParam("n_lissl2", type);
        journal.setParam("cod_lpu1", institution);
        journal.setParam("cod_lpu2", institution);
        journal.setParam("d1", first);
        journal.setParam("d2", last);
    };
    auto rawJournal = raw.prepare(journal.sql());
    compare(
        "journal_open", runs,
        [&](int) {
            journal.close();
            setJournal(3);
            journal.open();
            journal.last();
            journal.first();
        },
        [&](int) {
            rawJournal.fetchAll({type, type, 3, 3, first, last});
        });

    // --- journal_reload: moving between two institutions in the main window, marks included.
    for (data::Dataset* list : {&labData.typeList, &labData.institutions, &labData.departments,
                                &labData.doctors, &labData.labAssistants, &labData.fundingSources})
        list->open();
    MainWindow form(labData);
    ResearchCard card(labData);
    form.setWindows({.card = &card});
    JournalPage& page = *form.journalPage;
    page.periodFrom->setDate(first);
    page.periodTo->setDate(last);
    labData.session.investigationType = type;
    page.institutionList.open();
    auto rawMarks = raw.prepare(
        "select distinct b.n_issled from issled i join lab_issl_bol b on b.n_issled = i.n_issled "
        "where i.n_lissl between :n_lissl1 and :n_lissl2 and i.cod_lpu between :cod_lpu1 and "
        ":cod_lpu2 "
        "and i.dat_issled between :d1 and :d2 and b.result is not null");
    auto institutionOf = [](int i) { return i % 2 == 0 ? 3 : 4; };
    compare(
        "journal_reload", runs,
        [&](int i) { page.institutionList.locate("COD_LPU", institutionOf(i)); },
        [&](int i) {
            const int lpu = institutionOf(i);
            rawJournal.fetchAll({type, type, lpu, lpu, first, last});
            rawMarks.fetchAll({type, type, lpu, lpu, first, last});
        });

    // --- card_open: the card's lists, the record and its results.
    const int key = journal.value("N_ISSLED").toInt();
    labData.session.investigationKey = key;
    std::vector<bench::RawSession::Statement> rawCard;
    for (data::Dataset* d :
         {&labData.examinationCodes, &labData.countries, &labData.territories, &labData.districts})
        rawCard.push_back(raw.prepare(d->sql()));
    auto rawRecord = raw.prepare(labData.card.sql());
    auto rawResults = raw.prepare(card.results.sql());
    compare(
        "card_open", std::max(runs, 2001), [&](int) { card.openRecord(); },
        [&](int) {
            for (auto& s : rawCard) s.fetchAll({});
            rawRecord.fetchAll({key});
            rawResults.fetchAll({key});
        });

    // --- card_save: one result typed and saved.
    card.openRecord();
    data::Dataset& results = card.results;
    const QVariant isbol = results.value("N_ISBOL"), prlab = results.value("N_PRLAB"),
                   lissl = results.value("N_LISSL");
    auto rawSave =
        raw.prepare(labData.card.isActive() ? card.results.updateSql()->modifySql : QString());
    auto valueOf = [](int i) { return QStringLiteral("результат %1").arg(i); };
    compare(
        "card_save", std::max(runs, 101),
        [&](int i) {
            results.edit();
            results.setValue("RESULT", valueOf(i));
            card.saveRecord();
        },
        [&](int i) {
            rawSave.execute({isbol, prlab, lissl, key, valueOf(i) + "r", isbol});
            raw.commitRetaining();
        });
    // --- register_copy: the card's copy from an institution's register of 100,000 patients.
    if (!registerPath.isEmpty()) {
        db::executeSql(labData.writeTransaction, "update sp_lpu set path = :path where cod_lpu = 3",
                       {{"path", registerPath}});
        labData.writeTransaction.commitRetaining();
        labData.institutions.close();
        labData.institutions.open();
        const auto patient = db::queryRows(labData.writeTransaction,
                                           "select first 1 n_issled, nom from issled where "
                                           "cod_lpu = 3 and nom between 1 and 100000");
        labData.session.investigationKey = patient.at(0).at(0).toInt();
        const int nom = patient.at(0).at(1).toInt();
        card.openRecord();
        data::Dataset& record = labData.card;
        auto rawModify = raw.prepare(record.updateSql()->modifySql);
        const QString patientSql = QStringLiteral("Select * from karta k Where k.nom=:nom");
        const QString diagnosesSql = QStringLiteral(
            "Select d7.kod from diag_pacien d,diag7 d7 Where d.nom7=d7.nom7   and d.nom=:nom");
        compare(
            "register_copy", runs, [&](int) { card.copyPatient(); },
            [&](int) {
                {
                    bench::RawSession reg(registerPath);
                    reg.prepare(patientSql).fetchAll({nom});
                    reg.prepare(diagnosesSql).fetchAll({nom});
                }
                // The record as the copy leaves it, written back by the card's own statement.
                std::vector<QVariant> values;
                for (const QString& column : issledColumns())
                    values.push_back(record.value(column));
                values.push_back(record.value("N_ISSLED"));
                rawModify.execute(values);
                raw.commitRetaining();
            });
    }

    // --- search_surname: a surname prefix, typed in lower case, over the whole register.
    SearchPage& search = *form.searchPage;
    search.enter();
    search.periodFrom->setDate(QDate(2000, 1, 1));
    search.periodTo->setDate(last);
    search.surnameEdit->setText(QStringLiteral("фамилия12"));
    const SearchStatement bySurname = searchStatement(search.criteria());
    auto rawBySurname = raw.prepare(bySurname.sql);
    compare(
        "search_surname", runs, [&](int) { search.find(); },
        [&](int) {
            rawBySurname.fetchAll({QDate(2000, 1, 1), last, QStringLiteral("Фамилия12")});
        });

    // --- search_period: one month, no other criterion.
    search.enter();
    search.periodFrom->setDate(first);
    search.periodTo->setDate(last);
    const SearchStatement byPeriod = searchStatement(search.criteria());
    auto rawByPeriod = raw.prepare(byPeriod.sql);
    compare(
        "search_period", std::max(3, runs / 3), [&](int) { search.find(); },
        [&](int) {
            rawByPeriod.fetchAll({first, last});
        });
    search.leave();
    return 0;
}
