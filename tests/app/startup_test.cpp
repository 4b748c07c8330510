#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

#include "app/application.h"
#include "data/clock.h"
#include "data/reg_ini.h"
#include "journal/journal_page.h"
#include "support/scripted_dialogs.h"
#include "support/temp_database.h"
#include "ui/db_lookup_combo.h"

using testing_support::Login;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const QString kFullName = QStringLiteral("Клинико-диагностическая лаборатория «Центр СПИД»");
const QString kLoginRefused = QStringLiteral("Неверно введен пароль или имя пользователя.");

class StartupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        db_ = new TempDatabase(QStringList{
            "insert into RECV_ST (COD, NAME, NAME_FULL, ADRES, GLAV_VR) values (1, 'КДЛ', '" +
                kFullName + "', 'ул. Ленина, 1', 'Петрова Н.В.')",
            "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
            "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (1, 'ИФА ВИЧ', 1, "
            "'ifa.xlt')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (1, 1, "
            "1, '2026-12-09', 'Иванов', 1)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (2, 2, "
            "1, '2026-12-09', 'Петров', 2)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (3, 1, "
            "1, '2026-12-08', 'Сидоров', 3)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (4, 1, "
            "2, '2026-12-09', 'Орлов', 4)"});
    }
    static void TearDownTestSuite() { delete db_; }

    void SetUp() override {
        data::clock::setToday(QDate(2026, 12, 9));
        writeIni(db_->path(), "SYSDBA", "");
    }
    void TearDown() override { data::clock::setToday({}); }

    void writeIni(const QString& path, const QString& user, const QString& role) {
        QFile f(ini_.filePath("Reg.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[options]\r\nDBPath=%1\r\nDBUser=%2\r\nDBRole=%3\r\n")
                    .arg(path, user, role)
                    .toUtf8());
    }

    std::unique_ptr<app::Application> makeProgram() {
        auto p = std::make_unique<app::Application>();
        p->mainWindow->setRegIniPath(ini_.filePath("Reg.INI"));
        return p;
    }

    static TempDatabase* db_;
    QTemporaryDir ini_;
    ScriptedDialogs dialogs_;
};
TempDatabase* StartupTest::db_ = nullptr;

TEST_F(StartupTest, SuccessfulLoginLoadsRequisitesListsAndTheFirstJournal) {
    dialogs_.logins.push_back(Login{"SYSDBA", "secret"});
    auto program = makeProgram();
    ASSERT_TRUE(program->start());
    MainWindow& form = *program->mainWindow;
    ASSERT_EQ(dialogs_.loginRequests.size(), 1u);
    EXPECT_EQ(dialogs_.loginRequests[0].databaseName, db_->path());
    EXPECT_EQ(dialogs_.loginRequests[0].userName, "SYSDBA");
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();

    EXPECT_EQ(form.windowTitle(), kFullName);
    EXPECT_EQ(program->labData->session.institutionFullName, kFullName);
    EXPECT_EQ(program->labData->session.institutionName, QStringLiteral("КДЛ"));
    EXPECT_EQ(program->labData->session.institutionHead, QStringLiteral("Петрова Н.В."));
    EXPECT_EQ(form.statusText->text(),
              QStringLiteral("Успешное подключение к базе данных 09.12.2026"));
    EXPECT_TRUE(form.isMaximized());
    EXPECT_FALSE(program->labData->requisites.isActive());
    for (data::Dataset* list :
         {&program->labData->typeList, &program->labData->institutions,
          &program->labData->departments, &program->labData->doctors,
          &program->labData->labAssistants, &program->labData->fundingSources})
        EXPECT_TRUE(list->isActive()) << list->name().toStdString();

    // Type 1, the first institution by name ("Амбулатория"), today only.
    EXPECT_EQ(program->labData->session.investigationType, 1);
    EXPECT_EQ(program->labData->session.templateFile, "ifa.xlt");
    EXPECT_EQ(form.journalPage->typeSelector->currentText(), QStringLiteral("ИФА ВИЧ"));
    EXPECT_EQ(form.journalPage->periodFrom->date(), QDate(2026, 12, 9));
    EXPECT_EQ(form.pages->currentWidget(), form.journalPage);
    data::Dataset& journal = program->labData->journal;
    ASSERT_EQ(journal.recordCount(), 1);
    EXPECT_EQ(journal.value("FAM").toString(), QStringLiteral("Иванов"));
    EXPECT_EQ(program->labData->mainConnection.params(),
              (QStringList{"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="}));
}

TEST_F(StartupTest, CancelThenCancelEndsTheProgramWithoutTouchingData) {
    dialogs_.logins.push_back(std::nullopt);
    dialogs_.answers.push_back(QMessageBox::Cancel);
    auto program = makeProgram();
    EXPECT_FALSE(program->start());
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, kLoginRefused);
    EXPECT_EQ(dialogs_.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs_.messages[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_FALSE(program->labData->mainConnection.isOpen());
    EXPECT_FALSE(program->labData->requisites.isActive());
    EXPECT_TRUE(program->mainWindow->windowTitle().isEmpty());
}

TEST_F(StartupTest, CancelThenOkPromptsAgainAndCompletes) {
    dialogs_.logins.push_back(std::nullopt);
    dialogs_.logins.push_back(Login{"SYSDBA", "secret"});
    dialogs_.answers.push_back(QMessageBox::Ok);
    auto program = makeProgram();
    ASSERT_TRUE(program->start());
    ASSERT_EQ(dialogs_.loginRequests.size(), 2u);
    EXPECT_EQ(dialogs_.loginRequests[1].userName, "SYSDBA");
    EXPECT_EQ(program->mainWindow->windowTitle(), kFullName);
    EXPECT_EQ(program->labData->journal.recordCount(), 1);
}

TEST_F(StartupTest, EveryFailureShowsTheDatabaseMessageAndAsksAgainUntilCancel) {
    writeIni(db_->folder() + "/missing.fdb", "SYSDBA", "");
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    dialogs_.answers.push_back(QMessageBox::Ok);
    dialogs_.answers.push_back(QMessageBox::Cancel);
    auto program = makeProgram();
    EXPECT_FALSE(program->start());
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    for (const ui::Message& m : dialogs_.messages) {
        EXPECT_TRUE(m.text.startsWith(kLoginRefused + "\n\n")) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains("missing.fdb")) << m.text.toStdString();
        EXPECT_EQ(m.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
    EXPECT_EQ(dialogs_.loginRequests.size(), 2u);
    EXPECT_FALSE(program->labData->mainConnection.isOpen());
    EXPECT_FALSE(program->labData->typeList.isActive());
}

TEST_F(StartupTest, AMissingDatabaseIsToldInTheSystemsOwnWords) {
    const QString missing = db_->folder() + QStringLiteral("/Архив/журнал.fdb");
    writeIni(missing, "SYSDBA", "");
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    dialogs_.answers.push_back(QMessageBox::Cancel);
    auto program = makeProgram();
    EXPECT_FALSE(program->start());
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    const QString& text = dialogs_.messages[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("for file \"%1\"").arg(missing)))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n-Нет такого файла или каталога")))
        << text.toStdString();
}

TEST_F(StartupTest, TypedUserNameReplacesTheConfiguredOne) {
    writeIni(db_->path(), "", "");
    dialogs_.logins.push_back(Login{"LABORANT", "x"});
    auto program = makeProgram();
    ASSERT_TRUE(program->start());
    EXPECT_TRUE(dialogs_.loginRequests[0].userName.isEmpty());
    EXPECT_EQ(program->labData->mainConnection.param("user_name"), "LABORANT");
}

// The packaged Reg.INI names the staff's role: on a workstation's own database the
// administrator's name works under it, another name is sent back to it before anything is read.
TEST_F(StartupTest, UnderTheStaffRoleOnlyALoginHoldingItOrTheAdministratorStarts) {
    writeIni(db_->path(), "SYSDBA", "LAB_USER");
    dialogs_.logins.push_back(Login{"LABORANT", "x"});
    auto refused = makeProgram();
    EXPECT_FALSE(refused->start());
    EXPECT_FALSE(refused->labData->mainConnection.isOpen());
    ASSERT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join(" | ").toStdString();
    const QString text = dialogs_.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Пользователю LABORANT не выдана роль LAB_USER")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("войдите под ним"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("users add"))) << "no server to give it on";

    dialogs_.messages.clear();
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    auto administrator = makeProgram();
    EXPECT_TRUE(administrator->start());
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_TRUE(administrator->labData->journal.isActive());
}

TEST_F(StartupTest, MissingRegIniMakesTheFirstAttemptFail) {
    QFile::remove(ini_.filePath("Reg.INI"));
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    dialogs_.answers.push_back(QMessageBox::Cancel);
    auto program = makeProgram();
    EXPECT_FALSE(program->start());
    ASSERT_EQ(dialogs_.loginRequests.size(), 1u);
    EXPECT_TRUE(dialogs_.loginRequests[0].databaseName.isEmpty());
}

TEST_F(StartupTest, ExitSavesTheJournalCommitsAndClosesEverything) {
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    auto program = makeProgram();
    ASSERT_TRUE(program->start());
    LabData& labData = *program->labData;
    labData.journal.edit();
    labData.journal.setValue("FAM", QStringLiteral("Исправленный"));
    db::executeSql(labData.writeTransaction, "update ISSLED set NPP = 11 where N_ISSLED = 4");
    program->mainWindow->exitAction->trigger();
    EXPECT_FALSE(program->mainWindow->isVisible());
    EXPECT_FALSE(labData.mainConnection.isOpen());
    EXPECT_FALSE(labData.journal.isActive());
    EXPECT_FALSE(program->mainWindow->journalPage->institutionList.isActive());
    EXPECT_EQ(db_->scalar("select NPP from ISSLED where N_ISSLED = 4").toInt(), 11) << "committed";
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Исправленный"))
        << "saved as before a reload";
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("; ").toStdString();
    db_->exec(QStringList{"update ISSLED set NPP = 4 where N_ISSLED = 4",
                          "update ISSLED set FAM = 'Иванов' where N_ISSLED = 1"});
}

TEST_F(StartupTest, ExitCommitsWhatWasWrittenWithoutJournalEdits) {
    dialogs_.logins.push_back(Login{"SYSDBA", "x"});
    auto program = makeProgram();
    ASSERT_TRUE(program->start());
    db::executeSql(program->labData->writeTransaction,
                   "update ISSLED set NPP = 12 where N_ISSLED = 4");
    program->mainWindow->exitAction->trigger();
    EXPECT_FALSE(program->mainWindow->isVisible());
    EXPECT_EQ(db_->scalar("select NPP from ISSLED where N_ISSLED = 4").toInt(), 12);
    db_->exec("update ISSLED set NPP = 4 where N_ISSLED = 4");
}

TEST(StartupEmptyRequisites, GiveAnEmptyCaptionAndTexts) {
    TempDatabase db;
    QTemporaryDir dir;
    QFile f(dir.filePath("Reg.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[OPTIONS]\ndbpath=%1\nDbUser=SYSDBA\n").arg(db.path()).toUtf8());
    f.close();
    ScriptedDialogs dialogs;
    dialogs.logins.push_back(Login{"SYSDBA", "x"});
    app::Application program;
    program.labData->session.institutionName = "old";
    program.mainWindow->setRegIniPath(dir.filePath("Reg.INI"));
    ASSERT_TRUE(program.start());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.texts().join("; ").toStdString();
    EXPECT_TRUE(program.mainWindow->windowTitle().isEmpty());
    EXPECT_TRUE(program.labData->session.institutionName.isEmpty());
    EXPECT_TRUE(program.labData->session.institutionFullName.isEmpty());
    EXPECT_EQ(program.labData->session.investigationType, 1);
    EXPECT_EQ(program.mainWindow->journalPage->typeSelector->currentIndex(), -1) << "no type 1";
}

// A start-up step that fails says so and stops only the steps that need it.
struct FailedStepCase {
    const char* name;
    QStringList sql;      // makes the step fail
    const char* message;  // how its message begins
    bool journalOpened;
};

void PrintTo(const FailedStepCase& c, std::ostream* os) { *os << c.name; }

class StartupFailedStep : public ::testing::TestWithParam<FailedStepCase> {};

TEST_P(StartupFailedStep, StopsOnlyTheStepsThatNeedIt) {
    TempDatabase db(GetParam().sql +
                    QStringList{"insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
                                "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА', 1)"});
    QTemporaryDir dir;
    QFile f(dir.filePath("Reg.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\n").arg(db.path()).toUtf8());
    f.close();
    ScriptedDialogs dialogs;
    dialogs.logins.push_back(Login{"SYSDBA", "x"});
    app::Application program;
    program.mainWindow->setRegIniPath(dir.filePath("Reg.INI"));
    ASSERT_TRUE(program.start());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QString::fromUtf8(GetParam().message)))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(program.labData->journal.isActive(), GetParam().journalOpened);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartupFailedStep,
    ::testing::Values(
        // The lists and the journal do not need the requisites.
        // (A column that cannot be computed makes a table unreadable and leaves the schema
        // whole: a table missing would be an older schema, which stops the program.)
        FailedStepCase{"Requisites",
                       {"alter table RECV_ST add UNREADABLE computed by (1 / 0)",
                        "insert into RECV_ST (COD, NAME_FULL) values (1, 'КДЛ')"},
                       "Реквизиты учреждения",
                       true},
        // The journal needs the lists.
        FailedStepCase{"Lists",
                       {"alter table SP_MS add UNREADABLE computed by (1 / 0)",
                        "insert into SP_MS (COD_MS, FIO) values (1, 'Петрова')",
                        "insert into RECV_ST (COD, NAME_FULL) values (1, 'КДЛ')"},
                       "Справочники не прочитаны.",
                       false}),
    [](const auto& info) { return std::string(info.param.name); });

// A database of the version before the change log: the program names what it lacks and the
// command that adds it, and ends before the journal, which would write unlogged changes.
TEST(StartupOnAnEarlierSchema, SaysWhichCommandBringsTheDatabaseUpToDate) {
    TempDatabase db{TempDatabase::BeforeChangeLog{}};
    QTemporaryDir dir;
    QFile f(dir.filePath("Reg.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\n").arg(db.path()).toUtf8());
    f.close();
    ScriptedDialogs dialogs;
    dialogs.logins.push_back(Login{"SYSDBA", "x"});
    app::Application program;
    program.mainWindow->setRegIniPath(dir.filePath("Reg.INI"));
    EXPECT_FALSE(program.start());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString text = dialogs.messages[0].text;
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(text.startsWith(QStringLiteral("База данных ") + db.path() +
                                QStringLiteral(" создана прежней версией программы")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("таблица CHANGE_LOG"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("labjournal-db upgrade ") + db.path()))
        << text.toStdString();
    EXPECT_FALSE(program.labData->journal.isActive());
    EXPECT_FALSE(program.labData->mainConnection.isOpen());
}

TEST(RegIni, ReadsKeysWithoutRegardToCase) {
    QTemporaryDir dir;
    QFile f(dir.filePath("Reg.INI"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "; comment\r\n[other]\r\nDBPath=wrong\r\n[Options]\r\ndbpath = "
        "server:/data/lab.fdb\r\nDBUSER=\xc8\xe2\xe0\xed\r\n[DOCUMENTS]\r\narchivedir = "
        "/srv/\xea\xee\xef\xe8\xe8\r\n");
    f.close();
    const data::RegIni ini = data::readRegIni(dir.filePath("Reg.INI"));
    EXPECT_EQ(ini.dbPath, "server:/data/lab.fdb");
    EXPECT_EQ(ini.dbUser, QStringLiteral("Иван")) << "Windows-1251 file";
    EXPECT_TRUE(ini.dbRole.isEmpty());
    EXPECT_EQ(ini.documentArchive, QStringLiteral("/srv/копии"));
    EXPECT_TRUE(data::readRegIni(dir.filePath("none.ini")).dbPath.isEmpty());
    EXPECT_TRUE(data::readRegIni(dir.filePath("none.ini")).documentArchive.isEmpty());
}

}  // namespace
