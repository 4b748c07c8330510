// The program asked to end by a signal (a log-out, kill, Ctrl+C in its terminal) closes as
// "Выход" does: the journal's pending edit saved, or kept out of the database and said on
// standard error when it cannot be; detached; exit status 0 within five seconds.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "server/test_server.h"

using testing_support::ServerDatabase;
using testing_support::TestServer;

namespace {

const QStringList kFixture = {
    "insert into RECV_ST (COD) values (1)",
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (1, 1, 1, "
    "'2026-12-09', 'Иванов', 1)"};

struct Stopped {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    qint64 msAfterSignal = -1;
    QString errors;
};

// Starts the program on the database, waits until it has an unsaved surname in the journal,
// sends the signal and waits for it to end.
Stopped runAndStop(const ServerDatabase& db, int signalNumber, const QString& surname) {
    QTemporaryDir folder;
    QFile ini(folder.filePath("Reg.INI"));
    if (!ini.open(QIODevice::WriteOnly)) throw std::runtime_error("Reg.INI");
    ini.write(
        QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\nDBRole=\n").arg(db.name()).toUtf8());
    ini.close();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(LABJOURNAL_STOP_PROBE,
                  {ini.fileName(), TestServer::instance().password, surname});
    Stopped stopped;
    if (!program.waitForStarted(10000)) return stopped;
    QByteArray out;
    QElapsedTimer waiting;
    waiting.start();
    while (!out.contains("ready") && waiting.elapsed() < 30000 &&
           program.state() == QProcess::Running) {
        program.waitForReadyRead(500);
        out += program.readAllStandardOutput();
    }
    if (!out.contains("ready")) {
        stopped.errors = QString::fromUtf8(program.readAllStandardError());
        program.kill();
        program.waitForFinished();
        return stopped;
    }
    QElapsedTimer afterSignal;
    afterSignal.start();
    ::kill(pid_t(program.processId()), signalNumber);
    if (!program.waitForFinished(15000)) {
        program.kill();
        program.waitForFinished();
        stopped.errors = QString::fromUtf8(program.readAllStandardError());
        return stopped;
    }
    stopped.msAfterSignal = afterSignal.elapsed();
    stopped.exitCode = program.exitCode();
    stopped.exitStatus = program.exitStatus();
    stopped.errors = QString::fromUtf8(program.readAllStandardError());
    return stopped;
}

class StopSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(StopSignalTest, SavesThePendingJournalEditDetachesAndExitsWithZero) {
    ServerDatabase db(kFixture);
    const Stopped stopped = runAndStop(db, GetParam(), QStringLiteral("Сигналов"));
    EXPECT_EQ(stopped.exitStatus, QProcess::NormalExit) << stopped.errors.toStdString();
    EXPECT_EQ(stopped.exitCode, 0) << stopped.errors.toStdString();
    EXPECT_GE(stopped.msAfterSignal, 0);
    EXPECT_LT(stopped.msAfterSignal, 5000);
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Сигналов"));
    // Only the checking attachment is left.
    EXPECT_EQ(db.scalar("select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 and "
                        "MON$ATTACHMENT_ID <> CURRENT_CONNECTION")
                  .toInt(),
              0);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM  ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

TEST(StopSignal, AnEditThatCannotBeSavedStaysOutAndIsToldOnStandardError) {
    ServerDatabase db(kFixture);
    // Another workstation holds the record until the program has ended.
    auto other = db.connect();
    db::Transaction holding(*other);
    db::executeSql(holding, "update ISSLED set NPP = 2 where N_ISSLED = 1");
    const Stopped stopped = runAndStop(db, SIGTERM, QStringLiteral("Несохраненный"));
    holding.rollback();
    EXPECT_EQ(stopped.exitStatus, QProcess::NormalExit) << stopped.errors.toStdString();
    EXPECT_EQ(stopped.exitCode, 0) << stopped.errors.toStdString();
    EXPECT_LT(stopped.msAfterSignal, 5000);
    EXPECT_TRUE(
        stopped.errors.contains(QStringLiteral("Запись изменяется на другой рабочей станции")))
        << stopped.errors.toStdString();
    EXPECT_TRUE(stopped.errors.contains(QStringLiteral("Изменения не сохранены.")))
        << stopped.errors.toStdString();
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов"));
}

}  // namespace
