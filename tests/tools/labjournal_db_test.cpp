#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/application.h"
#include "card/research_card.h"
#include "data/age.h"
#include "data/clock.h"
#include "data/lab_data.h"
#include "db/firebird.h"
#include "journal/main_window.h"
#include "support/scripted_dialogs.h"
#include "support/temp_database.h"
#include "tools/backup.h"

namespace {

int run(const QStringList& args, QString* output = nullptr,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(LABJOURNAL_DB), args);
    p.waitForFinished(120000);
    if (output) *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode();
}

std::vector<QVector<QVariant>> rows(const QString& path, const QString& sql) {
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    db::Transaction tr(c, db::kReadOnlySnapshot);
    auto r = db::queryRows(tr, sql);
    tr.commit();
    return r;
}

// Runs DDL or PSQL as it stands, committed.
void execRaw(const QString& path, const QString& sql) {
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    db::Transaction tr(c, db::kSnapshotWaiting);
    tr.start();
    db::executeRaw(tr, sql);
    tr.commit();
}

double indexStatistics(const QString& path, const QString& index) {
    const auto r = rows(path, QStringLiteral("select rdb$statistics from rdb$indices "
                                             "where rdb$index_name = '%1'")
                                  .arg(QString(index).replace("'", "''")));
    return r.empty() ? -1 : r.at(0).at(0).toDouble();
}

// The plan isql-fb reports for a statement, markers in place of the :names. Indexes that a
// plan combines are listed in the order the optimizer took them, which says nothing about the
// work: they are sorted here.
QString planOf(const QString& path, QString sql) {
    sql.replace(QRegularExpression(":[A-Za-z_][A-Za-z_0-9]*"), "?");
    QProcess isql;
    isql.start("isql-fb", {"-q", "-user", "SYSDBA", "-ch", "WIN1251", path});
    isql.write(("SET PLANONLY ON;\n" + sql + ";\n").toLatin1());
    isql.closeWriteChannel();
    isql.waitForFinished(60000);
    QString plan = QString::fromLatin1(isql.readAllStandardOutput() + isql.readAllStandardError())
                       .simplified();
    static const QRegularExpression combined("INDEX \\(([^()]*)\\)");
    QString sorted;
    qsizetype from = 0;
    for (auto it = combined.globalMatch(plan); it.hasNext();) {
        const auto m = it.next();
        QStringList names = m.captured(1).split(", ");
        names.sort();
        sorted += plan.mid(from, m.capturedStart() - from) + "INDEX (" + names.join(", ") + ")";
        from = m.capturedEnd();
    }
    return sorted + plan.mid(from);
}

TEST(LabjournalDb, NewDatabaseHasOneRequisitesRowToFillIn) {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.fdb");
    ASSERT_EQ(run({"create", path}), 0);
    EXPECT_EQ(rows(path, "select count(*), max(COD) from RECV_ST").at(0).at(0).toInt(), 1);
    EXPECT_EQ(rows(path, "select count(*) from ISSLED").at(0).at(0).toInt(), 0);
    QString output;
    EXPECT_EQ(run({"create", path}, &output), 1) << "an existing file is never overwritten";
    EXPECT_TRUE(output.contains(QStringLiteral("уже существует")));
    EXPECT_EQ(run({"create"}), 2);
}

TEST(LabjournalDb, DemoHasDirectoriesInvestigationsAndARegister) {
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.fdb");
    ASSERT_EQ(run({"create", "--demo", path}), 0);
    EXPECT_EQ(rows(path, "select count(*) from SP_TARVIK").at(0).at(0).toInt(), 10);
    EXPECT_TRUE(rows(path, "select NAME from SP_TARVIK where N_LISSL = 1")
                    .at(0)
                    .at(0)
                    .toString()
                    .contains("ВИЧ"));
    EXPECT_GE(rows(path, "select count(*) from ISSLED").at(0).at(0).toInt(), 300);
    EXPECT_GT(rows(path, "select count(*) from LAB_ISSL_BOL where RESULT is not null")
                  .at(0)
                  .at(0)
                  .toInt(),
              300);
    EXPECT_GT(rows(path, "select count(*) from ISSLED where DAT_ISSLED = current_date")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);
    for (const char* table : {"SP_LPU", "SP_OTD", "SP_VR", "SP_MS", "SP_IST_FIN", "SP_GOS",
                              "SP_TER", "SP_RAION", "SP_KONTINGENT", "LAB_ISSL_PRIZ"})
        EXPECT_GT(
            rows(path, QStringLiteral("select count(*) from %1").arg(table)).at(0).at(0).toInt(), 0)
            << table;
    EXPECT_GT(rows(path, "select count(*) from SP_PRIZ_LAB_ISSL where NORMA_TIME > 0")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);

    // A new row draws a key after the demo's own.
    EXPECT_EQ(rows(path, "select gen_id(GEN_ISSLED_ID, 0) - max(N_ISSLED) from ISSLED")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);
    const QString registerPath =
        rows(path, "select PATH from SP_LPU where PATH is not null").at(0).at(0).toString();
    ASSERT_TRUE(QFileInfo::exists(registerPath));
    EXPECT_GT(rows(registerPath, "select count(*) from karta").at(0).at(0).toInt(), 0);
    EXPECT_GT(
        rows(path, "select count(*) from ISSLED where COD_LPU = 1 and NOM between 1000 and 1059")
            .at(0)
            .at(0)
            .toInt(),
        0)
        << "the register's patients are in the journal";
}

TEST(LabjournalDb, DemoDatesNeverPassTheDayItIsMadeAndAgesAreCountedAsTheProgramCounts) {
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.fdb");
    ASSERT_EQ(run({"create", "--demo", path}), 0);
    const QDate today = QDate::currentDate();
    QStringList dateColumns;
    for (const auto& row :
         rows(path,
              "select trim(rf.RDB$FIELD_NAME) from RDB$RELATION_FIELDS rf join RDB$FIELDS f "
              "on f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE where rf.RDB$RELATION_NAME = "
              "'ISSLED' and f.RDB$FIELD_TYPE in (12, 35) order by 1"))
        dateColumns << row.at(0).toString();
    EXPECT_EQ(dateColumns, QStringList({"DAT_DOSTAV", "DAT_ISSLED", "DAT_R", "DAT_REZULT"}));
    for (const QString& column : dateColumns) {
        const QDate latest = rows(path, QStringLiteral("select max(%1) from ISSLED").arg(column))
                                 .at(0)
                                 .at(0)
                                 .toDate();
        EXPECT_LE(latest, today) << column.toStdString();
    }
    // The program counts the age from the birth date on the day the record is entered, the
    // sampling day.
    int counted = 0;
    for (const auto& row : rows(path, "select DAT_R, DAT_ISSLED, VOZR, N_ISSLED from ISSLED")) {
        ASSERT_FALSE(row.at(0).isNull());
        EXPECT_EQ(row.at(2).toInt(), data::ageInYears(row.at(0).toDate(), row.at(1).toDate()))
            << "record " << row.at(3).toInt() << " born "
            << row.at(0).toDate().toString().toStdString() << ", sampled "
            << row.at(1).toDate().toString().toStdString();
        ++counted;
    }
    EXPECT_GE(counted, 300);
}

TEST(LabjournalDb, StatisticsRecomputesEveryIndexWhateverItsName) {
    QTemporaryDir dir;
    const QString path = dir.filePath("stats.fdb");
    ASSERT_EQ(run({"create", path}), 0);
    // Indexes built on empty tables, rows added afterwards as daily work adds them; one index
    // name that only a properly quoted identifier reaches.
    execRaw(path, "create index \"ix Odd \"\"name\"\"\" on ISSLED (COD_VR)");
    execRaw(path,
            "execute block as declare k integer = 1; begin while (k <= 400) do begin "
            "insert into ISSLED (N_ISSLED, COD_OTD, COD_VR) values (:k, mod(:k, 4) + 1, "
            "mod(:k, 8) + 1); k = k + 1; end end");
    struct Case {
        const char* index;
        double selectivity;  // 1 / distinct keys
    };
    const Case cases[] = {{"PK_ISSLED", 1.0 / 400},
                          {"IX_ISSLED_OTD", 1.0 / 4},
                          {"ix Odd \"name\"", 1.0 / 8},
                          {"IX_ISSLED_LPU_IN_USE", 1.0}};
    for (const Case& c : cases)
        EXPECT_EQ(indexStatistics(path, c.index), 0.0) << c.index << " before: never recomputed";

    QString output;
    ASSERT_EQ(run({"statistics", path}, &output), 0) << output.toStdString();
    for (const Case& c : cases)
        EXPECT_NEAR(indexStatistics(path, c.index), c.selectivity, 1e-6) << c.index;
    EXPECT_EQ(rows(path,
                   "select count(*) from rdb$indices where rdb$relation_name = 'ISSLED' "
                   "and coalesce(rdb$statistics, 0) = 0")
                  .at(0)
                  .at(0)
                  .toInt(),
              0)
        << "every index of a table with rows has its figure";

    EXPECT_EQ(run({"statistics", dir.filePath("missing.fdb")}, &output), 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing.fdb"))) << "nothing is created";
}

TEST(LabjournalDb, LargeRegisterDrawsNewKeysPastTheRowsItWrote) {
    QTemporaryDir dir;
    const QString path = dir.filePath("large.fdb");
    ASSERT_EQ(run({"create", "--large", "30", path}), 0);
    struct Case {
        const char* generator;
        const char* table;
        const char* key;
        const char* insert;  // a new row with the key :k, as a window writes it
    };
    const Case cases[] = {
        {"GEN_SP_LPU_ID", "SP_LPU", "COD_LPU",
         "insert into SP_LPU (COD_LPU, NAME) values (:k, 'Н')"},
        {"GEN_SP_OTD_ID", "SP_OTD", "COD_OTD",
         "insert into SP_OTD (COD_OTD, NAME) values (:k, 'Н')"},
        {"GEN_SP_VR_ID", "SP_VR", "COD_VR", "insert into SP_VR (COD_VR, FIO) values (:k, 'Н')"},
        {"GEN_SP_MS_ID", "SP_MS", "COD_MS", "insert into SP_MS (COD_MS, FIO) values (:k, 'Н')"},
        {"GEN_SP_IST_FIN_ID", "SP_IST_FIN", "N_IFIN",
         "insert into SP_IST_FIN (N_IFIN, NAME) values (:k, 'Н')"},
        {"GEN_SP_TARVIK_ID", "SP_TARVIK", "N_LISSL",
         "insert into SP_TARVIK (N_LISSL, NAME) values (:k, 'Н')"},
        {"GEN_SP_PRIZ_LAB_ISSL_ID", "SP_PRIZ_LAB_ISSL", "N_PRLAB",
         "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (:k, 'Н')"},
        {"GEN_LAB_ISSL_PRIZ_ID", "LAB_ISSL_PRIZ", "N_LIPR",
         "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (:k, 1, 1, 99)"},
        {"GEN_ISSLED_ID", "ISSLED", "N_ISSLED", "insert into ISSLED (N_ISSLED) values (:k)"},
        {"GEN_LAB_ISSL_BOL_ID", "LAB_ISSL_BOL", "N_ISBOL",
         "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (:k, 1, 1, 1)"},
    };
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    for (const Case& k : cases) {
        db::Transaction tr(c, db::kSnapshotWaiting);
        tr.start();
        const int largest =
            db::queryRows(tr, QStringLiteral("select max(%1) from %2").arg(k.key, k.table))
                .at(0)
                .at(0)
                .toInt();
        EXPECT_GT(largest, 0) << k.table << " has rows";
        const qint64 next = tr.nextGeneratorValue(k.generator);
        EXPECT_GT(next, largest) << k.generator;
        EXPECT_NO_THROW(db::executeSql(tr, QString::fromUtf8(k.insert), {{"k", next}})) << k.table;
        tr.commit();
    }
}

// The statements the windows run, prepared on a register whose statistics are as its bulk load
// left them (zero) and on a copy whose statistics were recomputed: the index design leaves the
// optimizer one plan for each.
TEST(LabjournalDb, WindowStatementsPlanAlikeWithStaleOrRecomputedStatistics) {
    QTemporaryDir dir;
    const QString stale = dir.filePath("stale.fdb");
    const QString recomputed = dir.filePath("recomputed.fdb");
    ASSERT_EQ(run({"create", "--large", "2000", stale}), 0);
    ASSERT_TRUE(QFile::copy(stale, recomputed));
    ASSERT_EQ(run({"statistics", recomputed}), 0);
    ASSERT_EQ(indexStatistics(stale, "FK_LAB_ISSL_BOL_ISSLED"), 0.0);
    ASSERT_GT(indexStatistics(recomputed, "FK_LAB_ISSL_BOL_ISSLED"), 0.0);

    LabData labData;
    ResearchCard card(labData);
    const std::pair<const char*, QString> statements[] = {
        {"journal", labData.journal.sql()},      {"card", labData.card.sql()},
        {"results", card.results.sql()},         {"composition", labData.composition.sql()},
        {"norms", labData.indicatorNorms.sql()}, {"indicators", labData.indicators.sql()},
    };
    for (const auto& [name, sql] : statements) {
        const std::string plan = planOf(stale, sql).toStdString();
        EXPECT_EQ(plan.rfind("PLAN ", 0), 0u) << name << ": " << plan;
        EXPECT_EQ(plan, planOf(recomputed, sql).toStdString()) << name;
    }
    // One record's results come through the foreign key, ten rows, before any directory.
    EXPECT_TRUE(
        planOf(stale, card.results.sql()).contains("JOIN (LI INDEX (FK_LAB_ISSL_BOL_ISSLED), PR"))
        << planOf(stale, card.results.sql()).toStdString();
}

TEST(LabjournalDb, PatientRegisterHasNPatientsAndFindsDiagnosesByNumber) {
    QTemporaryDir dir;
    const QString path = dir.filePath("register.fdb");
    EXPECT_EQ(run({"create", "--register", "0", path}), 2);
    EXPECT_EQ(run({"create", "--register", path}), 2);
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_EQ(run({"create", "--register", "250", path}), 0);
    const auto numbers = rows(path, "select count(*), min(nom), max(nom) from karta");
    EXPECT_EQ(numbers.at(0).at(0).toInt(), 250);
    EXPECT_EQ(numbers.at(0).at(1).toInt(), 1);
    EXPECT_EQ(numbers.at(0).at(2).toInt(), 250);
    EXPECT_GT(rows(path, "select count(*) from diag_pacien").at(0).at(0).toInt(), 0);
    EXPECT_EQ(rows(path,
                   "select count(*) from karta where fam is null or vozr is null or pol is "
                   "null or uid is null")
                  .at(0)
                  .at(0)
                  .toInt(),
              0)
        << "every patient has what a copy takes";
    const QString plan = planOf(
        path, "Select d7.kod from diag_pacien d,diag7 d7 Where d.nom7=d7.nom7   and d.nom=:nom");
    EXPECT_TRUE(plan.contains("IX_DIAG_PACIEN_NOM")) << plan.toStdString();
    EXPECT_EQ(run({"create", "--register", "5", path}), 1) << "an existing file is kept";
}

// Every file of a folder with its bytes, hidden ones and those in subfolders included: what a
// refused or failed command must leave exactly as it was.
QMap<QString, QByteArray> folderContents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir()) {
            contents.insert(entry.fileName() + "/", {});
            const auto inner = folderContents(entry.filePath());
            for (auto it = inner.begin(); it != inner.end(); ++it)
                contents.insert(entry.fileName() + "/" + it.key(), it.value());
            continue;
        }
        QFile file(entry.filePath());
        contents.insert(entry.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return contents;
}

// A database as the schema makes it, at path (a copy of the test binary's one: quicker than
// the tool's create).
void newDatabaseAt(const QString& path) {
    testing_support::TempDatabase made;
    ASSERT_TRUE(QFile::copy(made.path(), path)) << path.toStdString();
}

int scalarInt(const QString& path, const QString& sql) {
    return rows(path, sql).at(0).at(0).toInt();
}

// The database's own tables, and the rows of one as sorted text (nulls told from empty texts).
QStringList tablesOf(const QString& path) {
    QStringList names;
    for (const auto& row : rows(path,
                                "select trim(rdb$relation_name) from rdb$relations "
                                "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null "
                                "order by 1"))
        names << row.at(0).toString();
    return names;
}

QStringList contentsOf(const QString& path, const QString& table) {
    QStringList lines;
    for (const auto& row : rows(path, QStringLiteral("select * from \"%1\"").arg(table))) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        lines << fields.join(QLatin1Char('|'));
    }
    lines.sort();
    return lines;
}

QMap<QString, qint64> generatorsOf(const QString& path) {
    QMap<QString, qint64> values;
    for (const auto& row : rows(path,
                                "select trim(rdb$generator_name) from rdb$generators "
                                "where coalesce(rdb$system_flag, 0) = 0")) {
        const QString name = row.at(0).toString();
        values.insert(
            name, rows(path, QStringLiteral("select gen_id(\"%1\", 0) from rdb$database").arg(name))
                      .at(0)
                      .at(0)
                      .toLongLong());
    }
    return values;
}

TEST(LabjournalDb, RestoredBackupHoldsEveryRowAndGeneratorOfTheDatabase) {
    QTemporaryDir dir;
    const QString original = dir.filePath("demo.fdb");
    const QString backup = dir.filePath("demo.fbk");
    const QString restored = dir.filePath("restored.fdb");
    ASSERT_EQ(run({"create", "--demo", original}), 0);
    QString output;
    ASSERT_EQ(run({"backup", original, backup}, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(backup)) << output.toStdString();
    // gbak's own format, not a copy of the database file.
    EXPECT_THROW(rows(backup, "select 1 from rdb$database"), db::DbError);
    ASSERT_EQ(run({"restore", backup, restored}, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(restored)) << output.toStdString();

    const QStringList tables = tablesOf(original);
    EXPECT_GE(tables.size(), 15);
    EXPECT_EQ(tablesOf(restored), tables);
    int total = 0;
    for (const QString& table : tables) {
        const QStringList rowsBefore = contentsOf(original, table);
        total += rowsBefore.size();
        EXPECT_EQ(contentsOf(restored, table).size(), rowsBefore.size()) << table.toStdString();
        EXPECT_EQ(contentsOf(restored, table), rowsBefore) << table.toStdString();
    }
    EXPECT_GT(total, 1000);
    EXPECT_EQ(generatorsOf(restored), generatorsOf(original));
    EXPECT_GT(generatorsOf(restored).value("GEN_ISSLED_ID"), 0);
    // Texts come back in the database's own character set.
    EXPECT_TRUE(rows(restored, "select NAME from SP_TARVIK where N_LISSL = 1")
                    .at(0)
                    .at(0)
                    .toString()
                    .contains(QStringLiteral("ВИЧ")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"demo.fbk", "demo.fdb", "demo_register.fdb", "restored.fdb"}))
        << "nothing of the work left beside them";

    // The program starts on the restored database as on any other.
    QTemporaryDir iniDir;
    QFile ini(iniDir.filePath("Reg.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\nDBRole=\n").arg(restored).toUtf8());
    ini.close();
    testing_support::ScriptedDialogs dialogs;
    dialogs.logins.push_back(testing_support::Login{"SYSDBA", "x"});
    app::Application program;
    program.mainWindow->setRegIniPath(iniDir.filePath("Reg.INI"));
    ASSERT_TRUE(program.start());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.texts().join("; ").toStdString();
    EXPECT_TRUE(program.labData->journal.isActive());
    EXPECT_EQ(program.labData->institutions.recordCount(),
              rows(original, "select count(*) from SP_LPU").at(0).at(0).toInt());
}

// The catalogue of a database as text: its tables' columns, indexes, generators, triggers,
// procedures, functions, exceptions and rights.
QStringList catalogueOf(const QString& path) {
    QStringList lines;
    for (const auto& row : rows(
             path,
             "select 'column ' || trim(rdb$relation_name) || '.' || trim(rdb$field_name) "
             "from rdb$relation_fields where coalesce(rdb$system_flag, 0) = 0 "
             "union all select 'index ' || trim(rdb$index_name) from rdb$indices "
             "where coalesce(rdb$system_flag, 0) = 0 "
             "union all select 'generator ' || trim(rdb$generator_name) from rdb$generators "
             "where coalesce(rdb$system_flag, 0) = 0 "
             "union all select 'trigger ' || trim(rdb$trigger_name) || ' ' || "
             "coalesce(rdb$trigger_inactive, 0) from rdb$triggers "
             "where coalesce(rdb$system_flag, 0) = 0 "
             "union all select 'procedure ' || trim(rdb$procedure_name) from rdb$procedures "
             "union all select 'function ' || trim(rdb$function_name) from rdb$functions "
             "where coalesce(rdb$system_flag, 0) = 0 "
             "union all select 'exception ' || trim(rdb$exception_name) from rdb$exceptions "
             "union all select 'right ' || trim(rdb$user) || ' ' || trim(rdb$privilege) || ' ' || "
             "trim(rdb$relation_name) from rdb$user_privileges"))
        lines << row.at(0).toString();
    lines.sort();
    return lines;
}

// A laboratory's database made by the version before the change log, brought up to date as
// the administrator does it: the log is added, no row of any table changes, a second run
// changes nothing, and the program then starts on it and logs what is saved.
TEST(LabjournalDb, UpgradeAddsWhatAnEarlierDatabaseLacksAndKeepsEveryRow) {
    testing_support::TempDatabase earlier{testing_support::TempDatabase::BeforeChangeLog{}};
    const QString path = earlier.path();
    const QStringList tables = tablesOf(path);
    ASSERT_FALSE(tables.contains("CHANGE_LOG"));
    QMap<QString, QStringList> contents;
    for (const QString& table : tables) contents.insert(table, contentsOf(path, table));
    const QMap<QString, qint64> generators = generatorsOf(path);
    ASSERT_GT(contents.value("ISSLED").size(), 10) << "the fixture has records";

    QString output;
    ASSERT_EQ(run({"upgrade", path}, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.startsWith(QStringLiteral("База данных ") + path +
                                  QStringLiteral(" обновлена. Добавлено:\n  таблица CHANGE_LOG\n")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("  триггер ISSLED_LOG\n"))) << output.toStdString();
    QStringList withLog = QStringList(tables) << "CHANGE_LOG" << "CHANGE_LOG_DELETED";
    withLog.sort();
    EXPECT_EQ(tablesOf(path), withLog);
    for (const QString& table : tables)
        EXPECT_EQ(contentsOf(path, table), contents.value(table)) << table.toStdString();
    EXPECT_EQ(contentsOf(path, "CHANGE_LOG"), QStringList()) << "the past is not invented";
    EXPECT_EQ(contentsOf(path, "CHANGE_LOG_DELETED"), QStringList());
    QMap<QString, qint64> nowGenerators = generatorsOf(path);
    EXPECT_EQ(nowGenerators.take("GEN_CHANGE_LOG_ID"), 0);
    EXPECT_EQ(nowGenerators, generators);

    const QStringList upgraded = catalogueOf(path);
    ASSERT_EQ(run({"upgrade", path}, &output), 0) << output.toStdString();
    EXPECT_EQ(output, QStringLiteral("База данных ") + path +
                          QStringLiteral(" уже соответствует текущей схеме: ничего не изменено.\n"));
    EXPECT_EQ(catalogueOf(path), upgraded);
    for (const QString& table : tables)
        EXPECT_EQ(contentsOf(path, table), contents.value(table)) << table.toStdString();

    // The program starts on it and what it saves is logged.
    QTemporaryDir iniDir;
    QFile ini(iniDir.filePath("Reg.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\n").arg(path).toUtf8());
    ini.close();
    testing_support::ScriptedDialogs dialogs;
    dialogs.logins.push_back(testing_support::Login{"SYSDBA", "x"});
    {
        // The day the fixture was made, whose records the journal opens with.
        data::clock::setToday(QDate(2026, 12, 11));
        app::Application program;
        program.mainWindow->setRegIniPath(iniDir.filePath("Reg.INI"));
        ASSERT_TRUE(program.start());
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.texts().join("; ").toStdString();
        data::Dataset& journal = program.labData->journal;
        ASSERT_TRUE(journal.isActive());
        ASSERT_FALSE(journal.isEmpty()) << "the demo's records of today";
        const int key = journal.value("N_ISSLED").toInt();
        journal.edit();
        journal.setValue("NOM_KART", QStringLiteral("К-77"));
        journal.post();
        journal.save();
        EXPECT_EQ(rows(path, QStringLiteral("select OPERATION, FIELD_NAME, NEW_VALUE from "
                                            "CHANGE_LOG where N_ISSLED = %1")
                                 .arg(key))
                      .size(),
                  1u);
    }
    data::clock::setToday({});
}

TEST(LabjournalDb, UpgradeOfAMissingFileSaysSoAndMakesNone) {
    QTemporaryDir dir;
    QString output;
    EXPECT_EQ(run({"upgrade", dir.filePath("none.fdb")}, &output), 1);
    EXPECT_EQ(output, QStringLiteral("Нет файла базы данных: ") + dir.filePath("none.fdb") + "\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none.fdb")));
}

TEST(LabjournalDb, BackupAndRestoreRefuseAndLeaveEverythingAsItWas) {
    QTemporaryDir dir;
    const QString database = dir.filePath("lab.fdb");
    const QString other = dir.filePath("other.fdb");
    const QString backup = dir.filePath("lab.fbk");
    newDatabaseAt(database);
    newDatabaseAt(other);
    ASSERT_EQ(run({"backup", database, backup}), 0);
    struct Case {
        QStringList args;
        int exitCode;
        QString said;  // part of the message
    };
    const QString missingBackup = dir.filePath("missing.fbk");
    const QString missingDatabase = dir.filePath("missing.fdb");
    const Case cases[] = {
        {{"backup", database, backup}, 1, backup},
        {{"backup", database, backup}, 1, QStringLiteral("--force")},
        {{"restore", backup, other}, 1, other},
        {{"restore", missingBackup, dir.filePath("new.fdb")}, 1, missingBackup},
        // gbak's own words: the database it could not open, a file that is no backup.
        {{"backup", missingDatabase, dir.filePath("new.fbk")}, 1, "No such file or directory"},
        {{"backup", "--force", missingDatabase, backup}, 1, missingDatabase},
        {{"restore", database, dir.filePath("new.fdb")}, 1, "gbak: ERROR"},
        {{"restore", "--force", database, other}, 1, "gbak: ERROR"},
        // A backup in place of the database it is made of, a restore over its own backup.
        {{"backup", "--force", database, database}, 1, database},
        {{"restore", "--force", backup, backup}, 1, backup},
        {{"backup", database}, 2, {}},
        {{"backup", database, dir.filePath("new.fbk"), "--force"}, 2, {}},
        {{"restore", "--force", backup}, 2, {}},
        {{"restore", "--replace", backup, dir.filePath("new.fdb")}, 2, {}},
    };
    const auto before = folderContents(dir.path());
    for (const Case& c : cases) {
        const std::string what = c.args.join(' ').toStdString();
        QString output;
        EXPECT_EQ(run(c.args, &output), c.exitCode) << what << "\n" << output.toStdString();
        EXPECT_TRUE(output.contains(c.said)) << what << "\n" << output.toStdString();
        EXPECT_TRUE(folderContents(dir.path()) == before) << what << ": the folder changed";
    }
}

TEST(LabjournalDb, ForceReplacesBackupAndDatabaseButNotOneInUse) {
    QTemporaryDir dir;
    const QString full = dir.filePath("full.fdb");
    const QString empty = dir.filePath("empty.fdb");
    const QString backup = dir.filePath("copy.fbk");
    ASSERT_EQ(run({"create", "--demo", full}), 0);
    newDatabaseAt(empty);
    ASSERT_EQ(run({"backup", full, backup}), 0);
    QString output;
    ASSERT_EQ(run({"backup", "--force", empty, backup}, &output), 0) << output.toStdString();
    ASSERT_EQ(run({"restore", backup, dir.filePath("check.fdb")}), 0);
    EXPECT_EQ(scalarInt(dir.filePath("check.fdb"), "select count(*) from ISSLED"), 0)
        << "the backup is the empty database's now";

    const int investigations = scalarInt(full, "select count(*) from ISSLED");
    ASSERT_GT(investigations, 0);
    QFile::setPermissions(full, QFile::ReadOwner | QFile::WriteOwner);
    const QFile::Permissions rights = QFile::permissions(full);
    {
        // A program working in the database: it is not replaced under it.
        db::Connection working;
        working.setDatabaseName(full);
        working.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
        working.open();
        const auto before = folderContents(dir.path());
        EXPECT_EQ(run({"restore", "--force", backup, full}, &output), 1);
        EXPECT_TRUE(output.contains(QStringLiteral("открыта"))) << output.toStdString();
        EXPECT_TRUE(folderContents(dir.path()) == before);
    }
    EXPECT_EQ(scalarInt(full, "select count(*) from ISSLED"), investigations);

    ASSERT_EQ(run({"restore", "--force", backup, full}, &output), 0) << output.toStdString();
    EXPECT_EQ(scalarInt(full, "select count(*) from ISSLED"), 0);
    EXPECT_EQ(scalarInt(full, "select count(*) from SP_TARVIK"), 0);
    EXPECT_EQ(QFile::permissions(full), rights)
        << "the replacement keeps the database's access rights";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"check.fdb", "copy.fbk", "empty.fdb", "full.fdb", "full_register.fdb"}));
}

// gbak reads ISC_USER and ISC_PASSWORD itself; where they are set no login is passed in their
// place. The embedded engine checks no password, but a restored database's owner is the user
// gbak attached as.
TEST(LabjournalDb, GbakLogsInAsTheEnvironmentNamesOrAsSysdba) {
    QTemporaryDir dir;
    const QString database = dir.filePath("lab.fdb");
    const QString backup = dir.filePath("lab.fbk");
    newDatabaseAt(database);
    ASSERT_EQ(run({"backup", database, backup}), 0);
    struct Case {
        const char* user;      // ISC_USER, or none
        const char* password;  // ISC_PASSWORD, or none
        const char* owner;
    };
    const Case cases[] = {{nullptr, nullptr, "SYSDBA"},
                          {"LAB_OWNER", nullptr, "LAB_OWNER"},
                          {"LAB_OWNER", "Secret-42", "LAB_OWNER"},
                          {nullptr, "Secret-42", "SYSDBA"}};
    int n = 0;
    for (const Case& c : cases) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("ISC_USER");
        environment.remove("ISC_PASSWORD");
        if (c.user) environment.insert("ISC_USER", c.user);
        if (c.password) environment.insert("ISC_PASSWORD", c.password);
        const QString restored = dir.filePath(QStringLiteral("restored%1.fdb").arg(++n));
        QString output;
        ASSERT_EQ(run({"restore", backup, restored}, &output, environment), 0)
            << output.toStdString();
        EXPECT_EQ(rows(restored, "select trim(mon$owner) from mon$database").at(0).at(0).toString(),
                  QString::fromLatin1(c.owner))
            << (c.user ? c.user : "-");
        // Nor does a failure show a password.
        EXPECT_EQ(run({"backup", dir.filePath("missing.fdb"), dir.filePath("x.fbk")}, &output,
                      environment),
                  1);
        EXPECT_TRUE(output.contains("gbak")) << output.toStdString();
        EXPECT_FALSE(output.contains("Secret-42") || output.contains("masterkey"))
            << output.toStdString();
    }
}

TEST(LabjournalDbBackup, FindsGbakOutsidePathAndSaysWhenItCannotRun) {
    QTemporaryDir dir;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    const QString found = tools::findGbak();
    qputenv("PATH", path);
    EXPECT_EQ(found, QStringLiteral("/usr/bin/gbak"));

    const QString database = dir.filePath("lab.fdb");
    newDatabaseAt(database);
    const QString absent = dir.filePath("no-such-gbak");
    const auto before = folderContents(dir.path());
    const tools::GbakOutcome backup =
        tools::backupDatabase(database, dir.filePath("lab.fbk"), {false, absent});
    EXPECT_FALSE(backup.ok);
    EXPECT_TRUE(backup.message.contains(absent)) << backup.message.toStdString();
    EXPECT_TRUE(folderContents(dir.path()) == before);
    ASSERT_TRUE(tools::backupDatabase(database, dir.filePath("lab.fbk")).ok);
    const tools::GbakOutcome restore =
        tools::restoreDatabase(dir.filePath("lab.fbk"), dir.filePath("new.fdb"), {false, absent});
    EXPECT_FALSE(restore.ok);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("new.fdb")));
}

TEST(LabjournalDbBackup, ServerPathsAreThoseWithAHostBeforeTheColon) {
    const std::pair<const char*, bool> cases[] = {{"/var/lib/labjournal/lab.fdb", false},
                                                  {"lab.fdb", false},
                                                  {"/srv/a:b/lab.fdb", false},
                                                  {"server:/var/lib/labjournal/lab.fdb", true},
                                                  {"server/3051:/var/lib/lab.fdb", true},
                                                  {"10.0.0.5:lab", true}};
    for (const auto& [path, server] : cases)
        EXPECT_EQ(db::isServerPath(QString::fromUtf8(path)), server) << path;
}

}  // namespace
