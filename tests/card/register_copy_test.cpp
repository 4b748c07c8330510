#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <functional>
#include <optional>

#include "app/application.h"
#include "card/research_card.h"
#include "data/clock.h"
#include "data/patient_register.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/data_aware.h"

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

// A patient register of a test's own, shaped as the institutions keep theirs.
class RegisterDatabase {
public:
    explicit RegisterDatabase(const QStringList& statements) {
        if (!dir_.isValid()) throw std::runtime_error("no temporary folder for a register");
        path_ = dir_.filePath(QStringLiteral("register.fdb"));
        db::Connection c;
        c.setDatabaseName(path_);
        c.setParams({"user_name=SYSDBA", "password=quillmoss", "lc_ctype=WIN1251"});
        c.createDatabase();
        // Each statement committed on its own: rows go into tables made just before.
        for (const QString& sql : statements) {
            db::Transaction tr(c, db::kSnapshotWaiting);
            tr.start();
            db::executeRaw(tr, sql);
            tr.commit();
        }
        c.close();
    }

    QString path() const { return path_; }

    void exec(const QString& sql, const QVariantMap& params) const {
        auto c = connect();
        db::Transaction tr(*c, db::kSnapshotWaiting);
        db::executeSql(tr, sql, params);
        tr.commit();
    }

    // User attachments to the register besides the one that asks.
    int otherAttachments() const {
        auto c = connect();
        db::Transaction tr(*c, db::kReadOnlySnapshot);
        return db::queryRows(tr,
                             "select count(*) from mon$attachments where mon$system_flag = 0 and "
                             "mon$attachment_id <> current_connection")
            .at(0)
            .at(0)
            .toInt();
    }

private:
    std::unique_ptr<db::Connection> connect() const {
        auto c = std::make_unique<db::Connection>();
        c->setDatabaseName(path_);
        c->setParams({"user_name=SYSDBA", "password=x", "lc_ctype=WIN1251"});
        c->open();
        return c;
    }

    QTemporaryDir dir_;
    QString path_;
};

const QString kKarta = QStringLiteral(
    "create table karta (nom integer not null primary key, fam varchar(60), imja varchar(30), "
    "otch varchar(30), vozr date, kod_snils varchar(14), nom_pol varchar(20), uid varchar(20), "
    "cod_gos varchar(10), cod_ter varchar(10), cod_raion varchar(10), nas_punkt varchar(40), "
    "adres varchar(400), pol varchar(10), pr_live char(1))");

const QString kLongSurname = QStringLiteral("Константинопольская-Водкина-Петропавловская");
const QString kLongAddress = QStringLiteral("ул. ") + QString(296, u'д');

// 501: every column, three diagnoses; 502: little known, no diagnosis; 503: texts too long for
// the record; 504: a country code that is not a number.
QStringList fullRegister() {
    return {
        kKarta,
        "create table diag7 (nom7 integer not null primary key, kod varchar(10))",
        "create table diag_pacien (nom integer, nom7 integer)",
        "insert into karta values (501, 'Петрова', 'Анна', 'Сергеевна', '1980-12-10', "
        "'123-456-789 01', '6300001', 'К-501', '1', '2', '3', 'г. Самара', 'ул. Ленина, д. 5', "
        "'Жен', '1')",
        "insert into karta (nom, fam, cod_ter, cod_raion, pol) values (502, 'Сидорова', '', "
        "'  ', 'Жен')",
        "insert into karta (nom, fam, adres) values (503, '" + kLongSurname + "', '" +
            kLongAddress + "')",
        "insert into karta (nom, fam, cod_gos) values (504, 'Орлова', 'РФ')",
        // The register's order is not the codes' order nor their keys'.
        "insert into diag7 values (1, 'C')",
        "insert into diag7 values (2, 'A')",
        "insert into diag7 values (3, 'B')",
        "insert into diag7 values (4, 'A15.0')",
        "insert into diag7 values (5, 'B20.1')",
        "insert into diag7 values (6, 'Z21')",
        "insert into diag7 values (7, 'C22.0')",
        "insert into diag_pacien values (501, 2)",
        "insert into diag_pacien values (501, 3)",
        "insert into diag_pacien values (501, 1)",
        "insert into diag_pacien values (503, 4)",
        "insert into diag_pacien values (503, 5)",
        "insert into diag_pacien values (503, 6)",
        "insert into diag_pacien values (503, 7)",
    };
}

// Patient 501 only, and no diagnosis tables.
QStringList registerWithoutDiagnoses() {
    return {kKarta, "insert into karta (nom, fam, imja) values (501, 'Петрова', 'Анна')"};
}

const QString kUnreachable = QStringLiteral("/nonexistent-labjournal-folder/register.fdb");

QString quoted(const QString& text) {
    return "'" + QString(text).replace("'", "''") + "'";
}

// The columns a copy writes, in the order the expectations list them.
const QStringList kCopied = {"FAM",     "IMJA",     "OTCH",    "DAT_R",   "VOZR",      "SNILS",
                             "NOM_POL", "NOM_KART", "COD_GOS", "COD_TER", "COD_RAION", "NAS_PUNKT",
                             "ADRES",   "POL",      "PR_LIVE", "DIAG_COD"};

// What every record holds before a copy.
const QStringList kBefore = {"Старая",  "Прежнее", "Прежнее", "1950-01-01", "76", "прежний",
                             "прежний", "прежний", "9",       "9",          "9",  "прежний",
                             "прежний", "М",       "4",       "прежний"};

QString recordInsert(int key, const char* institution, const char* number) {
    return QStringLiteral(
               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, NPP, NOM, FAM, IMJA, "
               "OTCH, DAT_R, VOZR, SNILS, NOM_POL, NOM_KART, COD_GOS, COD_TER, COD_RAION, "
               "NAS_PUNKT, ADRES, POL, PR_LIVE, DIAG_COD) values (%1, 1, %2, '2026-12-09', %1, %3, "
               "'Старая', 'Прежнее', 'Прежнее', '1950-01-01', 76, 'прежний', 'прежний', "
               "'прежний', 9, 9, 9, 'прежний', 'прежний', 'М', '4', 'прежний')")
        .arg(key)
        .arg(QLatin1String(institution), QLatin1String(number));
}

class RegisterCopyTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        start({"insert into RECV_ST (COD) values (1)",
               "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
               "insert into SP_TER (COD_TER, NAME) values (9, 'Прежняя территория')",
               "insert into SP_TER (COD_TER, NAME) values (2, 'Самарская обл.')",
               "insert into SP_LPU (COD_LPU, NAME, PATH) values (1, 'Амбулатория', " +
                   quoted(full_.path()) + ")",
               "insert into SP_LPU (COD_LPU, NAME, PATH) values (2, 'Больница', '  ')",
               "insert into SP_LPU (COD_LPU, NAME, PATH) values (3, 'Диспансер', " +
                   quoted(kUnreachable) + ")",
               "insert into SP_LPU (COD_LPU, NAME, PATH) values (4, 'Клиника', " +
                   quoted(withoutDiagnoses_.path()) + ")",
               recordInsert(1, "1", "501"), recordInsert(2, "1", "502"),
               recordInsert(3, "1", "503"), recordInsert(4, "1", "504"),
               recordInsert(5, "1", "999"), recordInsert(6, "1", "null"),
               recordInsert(7, "2", "501"), recordInsert(8, "3", "501"),
               recordInsert(9, "4", "501"), recordInsert(10, "1", "0")});
    }

    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    data::Dataset& journal() { return labData().journal; }

    // The record's copied columns as another workstation reads them.
    QStringList stored(int key) {
        const auto rows = db_->rows(QStringLiteral("select %1 from ISSLED where N_ISSLED = %2")
                                        .arg(kCopied.join(", "))
                                        .arg(key));
        QStringList values;
        for (const QVariant& v : rows.at(0))
            values << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        return values;
    }

    // The user picks the record's institution and then the record in the journal.
    void choose(int key) {
        const int institution =
            db_->scalar("select COD_LPU from ISSLED where N_ISSLED = :k", {{"k", key}}).toInt();
        ASSERT_TRUE(page().institutionList.locate("COD_LPU", institution));
        ASSERT_TRUE(journal().locate("N_ISSLED", key));
    }
    // The record opened in the card from the journal; body runs while the card is shown.
    void inCard(int key, const std::function<void(ResearchCard&)>& body) {
        choose(key);
        dialogs_.whileShown([this] { page().enterResultsAction->trigger(); },
                            [&](QDialog* shown) { body(*static_cast<ResearchCard*>(shown)); });
    }
    void copyInCard(int key) {
        inCard(key, [](ResearchCard& card) { card.copyPatientButton->click(); });
    }
    void copyFromMenu(int key) {
        choose(key);
        form().copyPatientAction->trigger();
    }

    // Neither the register's user nor its password is ever shown.
    void expectNoLoginIn(const QStringList& texts) {
        for (const QString& text : texts) {
            EXPECT_FALSE(text.contains("quillmoss", Qt::CaseInsensitive)) << text.toStdString();
            EXPECT_FALSE(text.contains("sysdba", Qt::CaseInsensitive)) << text.toStdString();
        }
    }

    RegisterDatabase full_{fullRegister()};
    RegisterDatabase withoutDiagnoses_{registerWithoutDiagnoses()};
};

// --- the copy as each place makes it ---------------------------------------------------------

struct CopyCase {
    const char* name;
    bool inCard;  // the card's button; otherwise the main menu on the journal's row
    int key;
    QStringList expected;
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

class RegisterCopyPlaces : public RegisterCopyTest,
                           public ::testing::WithParamInterface<CopyCase> {};

TEST_P(RegisterCopyPlaces, WriteTheRegisterRowIntoTheRecord) {
    const CopyCase& c = GetParam();
    if (c.inCard)
        copyInCard(c.key);
    else
        copyFromMenu(c.key);
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(stored(c.key), c.expected);
    EXPECT_EQ(full_.otherAttachments(), 0) << "the register is let go";
}

const QStringList kPatient501 = {
    "Петрова",          "Анна",  "Сергеевна", "1980-12-10", "45", "123-456-789 01",
    "6300001",          "К-501", "1",         "2",          "3",  "г. Самара",
    "ул. Ленина, д. 5", "Ж",     "1",         "A, B, C"};
// NULL and blank register columns clear the record's; without a diagnosis DIAG_COD stays.
const QStringList kPatient502 = {"Сидорова", "NULL", "NULL", "NULL",   "NULL", "NULL",
                                 "NULL",     "NULL", "NULL", "NULL",   "NULL", "NULL",
                                 "NULL",     "Ж",    "NULL", "прежний"};

QStringList withResidence(QStringList values, const QString& residence) {
    values[kCopied.indexOf("PR_LIVE")] = residence;
    return values;
}

INSTANTIATE_TEST_SUITE_P(Places, RegisterCopyPlaces,
                         ::testing::Values(CopyCase{"CardEveryColumn", true, 1, kPatient501},
                                           CopyCase{"MenuLeavesResidence", false, 1,
                                                    withResidence(kPatient501, "4")},
                                           CopyCase{"CardNullsClear", true, 2, kPatient502},
                                           CopyCase{"MenuNullsClearResidenceStays", false, 2,
                                                    withResidence(kPatient502, "4")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegisterCopyTest, TheCardShowsTheCopiedValuesAtOnce) {
    inCard(1, [](ResearchCard& card) {
        card.copyPatientButton->click();
        EXPECT_EQ(card.surnameEdit->text(), QStringLiteral("Петрова"));
        EXPECT_EQ(card.birthDateEdit->text(), "10.12.1980");
        EXPECT_EQ(card.diagnosisEdit->text(), "A, B, C");
        EXPECT_EQ(card.cardNumberEdit->text(), QStringLiteral("К-501"));
        EXPECT_EQ(card.sexSelector->currentText(), QStringLiteral("Ж"));
        EXPECT_FALSE(card.labData.card.updatesPending()) << "saved at once";
    });
}

TEST_F(RegisterCopyTest, TheJournalRowShowsTheCopiedValues) {
    copyFromMenu(1);
    ASSERT_EQ(journal().value("N_ISSLED").toInt(), 1) << "the journal stays on the record";
    EXPECT_EQ(journal().value("FAM").toString(), QStringLiteral("Петрова"));
    EXPECT_EQ(journal().value("DAT_R").toDate(), QDate(1980, 12, 10));
    EXPECT_EQ(journal().value("VOZR").toInt(), 45);
    EXPECT_EQ(journal().value("TER").toString(), QStringLiteral("Самарская обл."))
        << "the territory's name goes with its code";
    EXPECT_FALSE(journal().updatesPending());
    copyFromMenu(2);
    EXPECT_TRUE(journal().value("DAT_R").isNull());
    EXPECT_TRUE(journal().value("VOZR").isNull());
    EXPECT_TRUE(journal().value("TER").isNull());
}

TEST_F(RegisterCopyTest, TextsAreCutToTheirColumnsAndDiagnosesToWholeCodes) {
    copyInCard(3);
    const QStringList values = stored(3);
    EXPECT_EQ(values[kCopied.indexOf("FAM")], kLongSurname.left(30));
    EXPECT_EQ(values[kCopied.indexOf("ADRES")], kLongAddress.left(255));
    EXPECT_EQ(values[kCopied.indexOf("DIAG_COD")], "A15.0, B20.1, Z21");
}

TEST_F(RegisterCopyTest, TwiceInARowReadsTheRegisterAgain) {
    copyFromMenu(1);
    EXPECT_EQ(stored(1), withResidence(kPatient501, "4"));
    EXPECT_EQ(full_.otherAttachments(), 0);
    full_.exec("update karta set imja = :n where nom = 501", {{"n", QStringLiteral("Мария")}});
    copyFromMenu(1);
    QStringList expected = withResidence(kPatient501, "4");
    expected[kCopied.indexOf("IMJA")] = QStringLiteral("Мария");
    EXPECT_EQ(stored(1), expected);
    EXPECT_EQ(full_.otherAttachments(), 0);
    EXPECT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();
}

TEST_F(RegisterCopyTest, TheJournalGridMenuItemDoesNothing) {
    choose(1);
    page().copyPatientDataAction->trigger();
    EXPECT_TRUE(dialogs_.texts().isEmpty());
    EXPECT_EQ(stored(1), kBefore);
}

// --- copies that are not made ----------------------------------------------------------------

struct RefusalCase {
    const char* name;
    int key;
    QString message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RegisterCopyRefusals : public RegisterCopyTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RegisterCopyRefusals, SayWhyAndChangeNothing) {
    const RefusalCase& c = GetParam();
    for (bool card : {false, true}) {
        dialogs_.messages.clear();
        if (card)
            copyInCard(c.key);
        else
            copyFromMenu(c.key);
        EXPECT_EQ(dialogs_.texts(), QStringList{c.message}) << (card ? "card" : "menu");
        EXPECT_EQ(stored(c.key), kBefore);
        EXPECT_FALSE(journal().updatesPending());
    }
    EXPECT_EQ(full_.otherAttachments(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RegisterCopyRefusals,
    ::testing::Values(
        RefusalCase{"NoUniqueNumber", 6, QStringLiteral("Введите ЛПУ и уник.номер пациента")},
        RefusalCase{"ZeroUniqueNumber", 10, QStringLiteral("Введите ЛПУ и уник.номер пациента")},
        RefusalCase{"PatientNotInTheRegister", 5, QStringLiteral("Пациент не найден")},
        RefusalCase{"InstitutionWithoutRegisterPath", 7,
                    data::registerCopyMessage(data::RegisterCopy::NoRegisterPath)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegisterCopyMessages, NoRegisterPathIsToldInRussian) {
    const QString text = data::registerCopyMessage(data::RegisterCopy::NoRegisterPath);
    EXPECT_TRUE(text.contains(QStringLiteral("путь"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ЛПУ"))) << text.toStdString();
}

TEST_F(RegisterCopyTest, TheCardGuardsANumberTypedAwayBeforeTheCopy) {
    inCard(1, [&](ResearchCard& card) {
        testing_support::typeText(card.uniqueNumberEdit, "0");
        card.copyPatientButton->click();
        EXPECT_EQ(dialogs_.texts(),
                  QStringList{QStringLiteral("Введите ЛПУ и уник.номер пациента")});
        EXPECT_EQ(card.surnameEdit->text(), QStringLiteral("Старая"));
    });
    EXPECT_EQ(stored(1), kBefore);
}

// --- failures: the record stays as it was -------------------------------------------------------

struct FailureCase {
    const char* name;
    int key;
    const char* told;              // a part of the message
    bool lockedElsewhere = false;  // another workstation holds the record: the save is refused
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class RegisterCopyFailures : public RegisterCopyTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RegisterCopyFailures, LeaveTheRecordAndWhatWasTypedAsTheyWere) {
    const FailureCase& c = GetParam();
    auto other = db_->connect();
    std::optional<db::Transaction> lock;
    inCard(c.key, [&](ResearchCard& card) {
        testing_support::typeText(card.patronymicEdit, QStringLiteral("Набранное"));
        if (c.lockedElsewhere) {
            lock.emplace(*other);
            db::executeSql(*lock, "update ISSLED set NPP = NPP where N_ISSLED = :k",
                           {{"k", c.key}});
        }
        card.copyPatientButton->click();
        ASSERT_EQ(dialogs_.messages.size(), 1u);
        EXPECT_TRUE(dialogs_.messages[0].text.contains(QString::fromUtf8(c.told)))
            << dialogs_.messages[0].text.toStdString();
        expectNoLoginIn(dialogs_.texts());
        // The copied values are gone from the card; what the user typed is still there.
        EXPECT_EQ(card.surnameEdit->text(), QStringLiteral("Старая"));
        EXPECT_EQ(card.diagnosisEdit->text(), QStringLiteral("прежний"));
        EXPECT_EQ(card.labData.card.value("PR_LIVE").toString(), "4");
        EXPECT_EQ(card.labData.card.value("DAT_R").toDate(), QDate(1950, 1, 1));
        EXPECT_EQ(card.patronymicEdit->text(), QStringLiteral("Набранное"));
        if (lock) lock->rollback();
        // A later save writes what was typed and nothing of the failed copy.
        card.saveButton->click();
        EXPECT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join(" | ").toStdString();
    });
    QStringList expected = kBefore;
    expected[kCopied.indexOf("OTCH")] = QStringLiteral("Набранное");
    EXPECT_EQ(stored(c.key), expected);
    EXPECT_EQ(full_.otherAttachments(), 0);
    EXPECT_EQ(withoutDiagnoses_.otherAttachments(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RegisterCopyFailures,
    ::testing::Values(FailureCase{"UnreachableRegister", 8, "nonexistent-labjournal-folder"},
                      FailureCase{"RegisterWithoutDiagnosisTables", 9, "DIAG_PACIEN"},
                      FailureCase{"CodeThatIsNotANumber", 4, "cod_gos"},
                      FailureCase{"SaveRefusedByTheDatabase", 1, "concurrent update", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegisterCopyTest, AnUnopenableRegisterIsNamedAndToldInTheSystemsOwnWords) {
    copyInCard(8);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    const QString& text = dialogs_.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Не удалось открыть базу данных пациентов этого ЛПУ "
                                               "(%1). Данные пациента не скопированы.\n\n")
                                    .arg(kUnreachable)))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n-Нет такого файла или каталога")))
        << text.toStdString();
}

TEST_F(RegisterCopyTest, ARefusedSaveLeavesTheJournalRowAsItWas) {
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update ISSLED set NPP = NPP where N_ISSLED = 1");
    copyFromMenu(1);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(dialogs_.messages[0].text.contains("concurrent update"))
        << dialogs_.messages[0].text.toStdString();
    EXPECT_EQ(journal().value("FAM").toString(), QStringLiteral("Старая"));
    EXPECT_EQ(journal().value("DIAG_COD").toString(), QStringLiteral("прежний"));
    EXPECT_FALSE(journal().updatesPending()) << "nothing of the copy waits to be saved";
    lock.rollback();
    // A later commit of the program's transaction brings nothing of the copy along.
    labData().writeTransaction.commitRetaining();
    EXPECT_EQ(stored(1), kBefore);
    EXPECT_EQ(full_.otherAttachments(), 0);
}

// --- the diagnosis list ------------------------------------------------------------------------

TEST(RegisterDiagnoses, KeepOnlyWholeCodesThatFit) {
    const struct {
        QStringList codes;
        QString joined;
    } cases[] = {
        {{}, ""},
        {{"Z21"}, "Z21"},
        {{"A", "B", "C"}, "A, B, C"},
        {{"A15.0", "B20.1", "Z21", "C22.0"}, "A15.0, B20.1, Z21"},
        {{"A15.0", "B20.1", "Z21", "C"}, "A15.0, B20.1, Z21, C"},  // exactly 20
        {{"1234567890", "123456789"}, "1234567890"},
        {{"ABCDEFGHIJKLMNOPQRSTU"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(data::joinDiagnoses(c.codes, 20), c.joined) << c.codes.join("|").toStdString();
}

// --- the register's login -----------------------------------------------------------------------

// The program as the user starts it, with a Reg.INI of the test's own.
struct RegisterLoginCase {
    const char* name;
    const char* iniSection;
    const char* user;  // as the register sees it
    const char* password;
};

void PrintTo(const RegisterLoginCase& c, std::ostream* os) { *os << c.name; }

class RegisterLogin : public ::testing::TestWithParam<RegisterLoginCase> {};

TEST_P(RegisterLogin, ComesFromRegIniOrItsDefaults) {
    // The register tells who attached it: its surname column is the attaching user.
    RegisterDatabase whoAsks(
        {"create table karta (nom integer, fam computed by (current_user), "
         "imja varchar(30), otch varchar(30), vozr date, kod_snils "
         "varchar(14), nom_pol varchar(20), uid varchar(20), cod_gos "
         "varchar(10), cod_ter varchar(10), cod_raion varchar(10), nas_punkt "
         "varchar(40), adres varchar(255), pol varchar(10), pr_live char(1))",
         "create table diag7 (nom7 integer, kod varchar(10))",
         "create table diag_pacien (nom integer, nom7 integer)",
         "insert into karta (nom) values (501)", "grant select on karta to public",
         "grant select on diag7 to public", "grant select on diag_pacien to public"});
    TempDatabase db({"insert into RECV_ST (COD) values (1)",
                     "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
                     "insert into SP_LPU (COD_LPU, NAME, PATH) values (1, 'Амбулатория', " +
                         quoted(whoAsks.path()) + ")",
                     recordInsert(1, "1", "501")});
    QTemporaryDir folder;
    QFile ini(folder.filePath("Reg.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[options]\r\nDBPath=%1\r\nDBUser=SYSDBA\r\n%2")
                  .arg(db.path(), QString::fromUtf8(GetParam().iniSection))
                  .toUtf8());
    ini.close();

    ScriptedDialogs dialogs;
    dialogs.logins.push_back(testing_support::Login{"SYSDBA", "x"});
    data::clock::setToday(QDate(2026, 12, 9));
    {
        app::Application program;
        program.mainWindow->setRegIniPath(folder.filePath("Reg.INI"));
        ASSERT_TRUE(program.start());
        EXPECT_EQ(program.labData->registerConnection.param("password"),
                  QString::fromUtf8(GetParam().password));
        program.mainWindow->copyPatientAction->trigger();
        EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    }
    data::clock::setToday({});
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QString::fromUtf8(GetParam().user));
}

INSTANTIATE_TEST_SUITE_P(
    Ini, RegisterLogin,
    ::testing::Values(RegisterLoginCase{"NoSectionGivesTheDefaults", "", "SYSDBA", "quillmoss"},
                      RegisterLoginCase{"SectionGivesUserAndPassword",
                                        "[Register]\r\nuser = regclerk\r\nPASSWORD=tajna 42\r\n",
                                        "REGCLERK", "tajna 42"},
                      RegisterLoginCase{"BlankKeysKeepTheDefaults",
                                        "[register]\r\nUser=\r\nPassword= \r\n", "SYSDBA",
                                        "quillmoss"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
