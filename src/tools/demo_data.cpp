#include "tools/demo_data.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

#include "data/age.h"
#include "data/schema.h"
#include "db/firebird.h"

namespace tools {
namespace {

struct TypeSpec {
    const char* name;
    const char* code;
    const char* templateFile;
    QList<int> indicators;  // indexes into kIndicators
};

struct IndicatorSpec {
    const char* name;
    const char* unit;
    const char* norm;
    const char* code;
    const char* doctorMinutes;
    const char* assistantMinutes;
    QStringList values;  // typical results
};

const QList<IndicatorSpec>& indicators() {
    static const QList<IndicatorSpec> list = {
        {"Антитела к ВИЧ 1,2 и антиген р24",
         "",
         "отрицательно",
         "HIV",
         "2.50",
         "10.00",
         {"отрицательно", "отрицательно", "отрицательно", "положительно"}},
        {"Коэффициент позитивности",
         "ОП/КО",
         "менее 1,0",
         "KP",
         "0.50",
         "1.50",
         {"0,21", "0,35", "0,18", "4,6"}},
        {"gp160", "", "не выявлен", "GP160", "1.00", "4.00", {"не выявлен", "выявлен"}},
        {"gp120", "", "не выявлен", "GP120", "1.00", "4.00", {"не выявлен", "выявлен"}},
        {"gp41", "", "не выявлен", "GP41", "1.00", "4.00", {"не выявлен", "выявлен"}},
        {"p24", "", "не выявлен", "P24", "1.00", "4.00", {"не выявлен", "выявлен"}},
        {"РНК ВИЧ-1",
         "копий/мл",
         "не обнаружено",
         "RNA",
         "3.00",
         "25.00",
         {"не обнаружено", "1200", "54000"}},
        {"CD4+ лимфоциты",
         "кл/мкл",
         "500-1200",
         "CD4",
         "2.00",
         "15.00",
         {"820", "430", "1050", "260"}},
        {"CD8+ лимфоциты", "кл/мкл", "200-800", "CD8", "2.00", "15.00", {"510", "640", "390"}},
        {"CD4/CD8", "", "1,0-2,5", "CD48", "0.50", "2.00", {"1,6", "0,7", "2,1"}},
        {"Гемоглобин", "г/л", "120-160", "HGB", "0.30", "2.00", {"132", "141", "118", "150"}},
        {"Лейкоциты", "10^9/л", "4,0-9,0", "WBC", "0.30", "2.00", {"6,2", "5,1", "9,8"}},
        {"Эритроциты", "10^12/л", "3,9-5,0", "RBC", "0.30", "2.00", {"4,5", "4,1", "5,2"}},
        {"СОЭ", "мм/ч", "2-15", "ESR", "0.30", "3.00", {"8", "12", "25"}},
        {"Глюкоза", "ммоль/л", "3,3-5,5", "GLU", "0.40", "2.50", {"4,8", "5,1", "6,3"}},
        {"АЛТ", "Ед/л", "до 41", "ALT", "0.40", "2.50", {"22", "35", "58"}},
        {"АСТ", "Ед/л", "до 37", "AST", "0.40", "2.50", {"19", "30", "44"}},
        {"Билирубин общий", "мкмоль/л", "3,4-20,5", "BIL", "0.40", "2.50", {"12,1", "9,8", "24,0"}},
        {"HBsAg", "", "отрицательно", "HBS", "1.00", "8.00", {"отрицательно", "положительно"}},
        {"Антитела к ВГС",
         "",
         "отрицательно",
         "HCV",
         "1.00",
         "8.00",
         {"отрицательно", "положительно"}},
        {"Суммарные антитела к T. pallidum",
         "",
         "отрицательно",
         "TP",
         "1.00",
         "8.00",
         {"отрицательно", "положительно"}},
        {"Белок в моче", "г/л", "отсутствует", "PRO", "0.30", "2.00", {"отсутствует", "0,033"}},
        {"Удельный вес", "", "1010-1025", "SG", "0.20", "1.00", {"1015", "1020", "1008"}},
    };
    return list;
}

const QList<TypeSpec>& types() {
    static const QList<TypeSpec> list = {
        {"ИФА ВИЧ (скрининг)", "ИФА", "ИФА_ВИЧ.xlt", {0, 1}},
        {"Иммуноблот ВИЧ", "ИБ", "Иммуноблот.xlt", {2, 3, 4, 5}},
        {"ПЦР ВИЧ (вирусная нагрузка)", "ПЦР", "ПЦР.xlt", {6}},
        {"Иммунный статус CD4/CD8", "ИС", "Иммунный_статус.xlt", {7, 8, 9}},
        {"Общий анализ крови", "ОАК", "ОАК.xlt", {10, 11, 12, 13}},
        {"Биохимический анализ крови", "БХ", "Биохимия.xlt", {14, 15, 16, 17}},
        {"ИФА гепатит B (HBsAg)", "HBS", "Гепатит_B.xlt", {18}},
        {"ИФА гепатит C", "HCV", "Гепатит_C.xlt", {19}},
        {"ИФА сифилис", "RW", "Сифилис.xlt", {20}},
        {"Общий анализ мочи", "ОАМ", "ОАМ.xlt", {21, 22}},
    };
    return list;
}

const QStringList kMaleSurnames = {
    "Иванов", "Петров",  "Сидоров", "Кузнецов", "Смирнов",  "Попов",   "Соколов", "Лебедев",
    "Козлов", "Новиков", "Морозов", "Волков",   "Алексеев", "Фёдоров", "Орлов",   "Ершов"};
const QStringList kMaleNames = {"Александр", "Сергей", "Дмитрий", "Андрей", "Алексей",
                                "Михаил",    "Иван",   "Николай", "Артём",  "Владимир"};
const QStringList kMalePatronymics = {"Александрович", "Сергеевич",  "Петрович", "Иванович",
                                      "Николаевич",    "Викторович", "Юрьевич"};
const QStringList kFemaleNames = {"Елена", "Ольга", "Наталья",  "Татьяна", "Ирина",
                                  "Анна",  "Мария", "Светлана", "Юлия",    "Алёна"};
const QStringList kFemalePatronymics = {"Александровна", "Сергеевна",  "Петровна", "Ивановна",
                                        "Николаевна",    "Викторовна", "Юрьевна"};
const QStringList kStreets = {"ул. Ленина", "ул. Гагарина", "пр. Кирова",    "ул. Садовая",
                              "ул. Победы", "ул. Мира",     "ул. Молодёжная"};

void exec(db::Transaction& tr, const QString& sql, const QVariantMap& params = {}) {
    db::executeSql(tr, sql, params);
}

// Every generator the program draws keys from, with the table and column the keys go to.
struct KeyGenerator {
    const char* generator;
    const char* table;
    const char* key;
};
const KeyGenerator kKeyGenerators[] = {
    {"GEN_ISSLED_ID", "ISSLED", "N_ISSLED"},
    {"GEN_SP_TARVIK_ID", "SP_TARVIK", "N_LISSL"},
    {"GEN_SP_PRIZ_LAB_ISSL_ID", "SP_PRIZ_LAB_ISSL", "N_PRLAB"},
    {"GEN_LAB_ISSL_PRIZ_ID", "LAB_ISSL_PRIZ", "N_LIPR"},
    {"GEN_SP_LPU_ID", "SP_LPU", "COD_LPU"},
    {"GEN_SP_OTD_ID", "SP_OTD", "COD_OTD"},
    {"GEN_SP_VR_ID", "SP_VR", "COD_VR"},
    {"GEN_SP_MS_ID", "SP_MS", "COD_MS"},
    {"GEN_SP_IST_FIN_ID", "SP_IST_FIN", "N_IFIN"},
    {"GEN_LAB_ISSL_BOL_ID", "LAB_ISSL_BOL", "N_ISBOL"},
};

// Rows written with explicit keys leave the generators behind; the next key a window draws
// must come after the largest one written.
void setGeneratorsPastKeys(db::Transaction& tr) {
    for (const KeyGenerator& g : kKeyGenerators) {
        const qint64 largest =
            db::queryRows(tr, QStringLiteral("select coalesce(max(%1), 0) from %2")
                                  .arg(QLatin1String(g.key), QLatin1String(g.table)))
                .at(0)
                .at(0)
                .toLongLong();
        db::executeRaw(
            tr,
            QStringLiteral("set generator %1 to %2").arg(QLatin1String(g.generator)).arg(largest));
    }
}

}  // namespace

void addEmptyRequisites(db::Connection& connection) {
    db::Transaction tr(connection, db::kSnapshotWaiting);
    tr.start();
    exec(tr, "insert into RECV_ST (COD) values (1)");
    tr.commit();
}

void addDemoData(db::Connection& connection, const QString& registerPath, const QDate& today) {
    db::Transaction tr(connection, db::kSnapshotWaiting);
    tr.start();
    exec(tr,
         "insert into RECV_ST (COD, NAME, NAME_FULL, ADRES, GLAV_VR, KOD_OGRN) values (1, :n, :f, "
         ":a, "
         ":g, :o)",
         {{"n", "КДЛ Центра СПИД"},
          {"f",
           "Клинико-диагностическая лаборатория ГБУЗ «Областной центр по профилактике и борьбе "
           "со СПИД и инфекционными заболеваниями»"},
          {"a", "г. Самара, ул. Ленина, д. 15"},
          {"g", "Петрова Н.В."},
          {"o", "1026300958470"}});

    const QStringList institutions = {"ГБУЗ Городская поликлиника №1",
                                      "ГБУЗ Городская больница №2",
                                      "ГБУЗ Областная клиническая больница",
                                      "ГБУЗ Женская консультация №3",
                                      "ФКУЗ МСЧ МВД",
                                      "ГБУЗ Центр СПИД (амбулатория)"};
    for (int i = 0; i < institutions.size(); ++i) {
        exec(tr, "insert into SP_LPU (COD_LPU, NAME, PATH) values (:k, :n, :p)",
             {{"k", i + 1},
              {"n", institutions[i]},
              {"p", i == 0 ? QVariant(registerPath) : QVariant()}});
    }
    exec(tr, "set generator GEN_SP_LPU_ID to 6");

    const QStringList departments = {"Терапевтическое", "Хирургическое",
                                     "Инфекционное",    "Гинекологическое",
                                     "Приёмное",        "Кабинет инфекционных заболеваний"};
    for (int i = 0; i < departments.size(); ++i)
        exec(tr, "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (:k, :l, :n)",
             {{"k", i + 1}, {"l", i % 3 + 1}, {"n", departments[i]}});
    exec(tr, "set generator GEN_SP_OTD_ID to 6");

    const QStringList funding = {"ОМС", "Бюджет", "Платные услуги"};
    for (int i = 0; i < funding.size(); ++i)
        exec(tr, "insert into SP_IST_FIN (N_IFIN, NAME, PR_UM) values (:k, :n, :u)",
             {{"k", i + 1}, {"n", funding[i]}, {"u", i == 0 ? "1" : "0"}});
    exec(tr, "set generator GEN_SP_IST_FIN_ID to 3");

    const QStringList doctors = {"Андреева Марина Викторовна", "Белов Игорь Сергеевич",
                                 "Григорьева Ольга Петровна", "Давыдов Павел Андреевич"};
    for (int i = 0; i < doctors.size(); ++i)
        exec(tr, "insert into SP_VR (COD_VR, FIO) values (:k, :n)",
             {{"k", i + 1}, {"n", doctors[i]}});
    exec(tr, "set generator GEN_SP_VR_ID to 4");

    const QStringList assistants = {"Егорова Анна Ивановна", "Жукова Светлана Николаевна",
                                    "Зайцева Татьяна Юрьевна", "Ильина Наталья Олеговна"};
    for (int i = 0; i < assistants.size(); ++i)
        exec(tr, "insert into SP_MS (COD_MS, FIO) values (:k, :n)",
             {{"k", i + 1}, {"n", assistants[i]}});
    exec(tr, "set generator GEN_SP_MS_ID to 4");

    const QList<QPair<QString, int>> countries = {{"Россия", 100},    {"Казахстан", 10},
                                                  {"Узбекистан", 10}, {"Таджикистан", 5},
                                                  {"Украина", 5},     {"Армения", 1}};
    for (int i = 0; i < countries.size(); ++i)
        exec(tr, "insert into SP_GOS (COD_GOS, NAME, NOM) values (:k, :n, :o)",
             {{"k", i + 1}, {"n", countries[i].first}, {"o", countries[i].second}});
    const QList<QPair<QString, int>> territories = {{"Самарская область", 100},
                                                    {"Ульяновская область", 5},
                                                    {"Оренбургская область", 5},
                                                    {"Саратовская область", 1}};
    for (int i = 0; i < territories.size(); ++i)
        exec(tr, "insert into SP_TER (COD_TER, NAME, NOM) values (:k, :n, :o)",
             {{"k", i + 1}, {"n", territories[i].first}, {"o", territories[i].second}});
    const QStringList districts = {"Кировский", "Ленинский",       "Октябрьский",   "Промышленный",
                                   "Советский", "Железнодорожный", "Красноглинский"};
    for (int i = 0; i < districts.size(); ++i)
        exec(tr, "insert into SP_RAION (COD_RAION, NAME, NOM) values (:k, :n, 0)",
             {{"k", i + 1}, {"n", districts[i]}});
    const QList<QPair<QString, QString>> codes = {
        {"102", "Больные наркоманией"},
        {"103", "Гомо- и бисексуалисты"},
        {"104", "Больные заболеваниями, передающимися половым путём"},
        {"108", "Доноры крови, плазмы и иных биологических материалов"},
        {"109", "Беременные (доноры абортной и плацентарной крови)"},
        {"113", "Обследованные добровольно"},
        {"115", "Медицинский персонал, работающий с больными ВИЧ-инфекцией"},
        {"118", "Прочие"},
        {"120", "Обследованные по клиническим показаниям"},
        {"200", "Иностранные граждане"}};
    for (int i = 0; i < codes.size(); ++i)
        exec(tr, "insert into SP_KONTINGENT (N_KON, COD, NAME) values (:k, :c, :n)",
             {{"k", i + 1}, {"c", codes[i].first}, {"n", codes[i].second}});

    const auto& ind = indicators();
    for (int i = 0; i < ind.size(); ++i) {
        exec(tr,
             "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA, COD, NORMA_TIME, "
             "NORMA_TIME_MS) "
             "values (:k, :n, :u, :m, :c, :t, :s)",
             {{"k", i + 1},
              {"n", QString::fromUtf8(ind[i].name)},
              {"u", QString::fromUtf8(ind[i].unit).isEmpty() ? QVariant()
                                                             : QString::fromUtf8(ind[i].unit)},
              {"m", QString::fromUtf8(ind[i].norm)},
              {"c", QString::fromUtf8(ind[i].code)},
              {"t", QVariant::fromValue(*db::Decimal::fromString(ind[i].doctorMinutes))},
              {"s", QVariant::fromValue(*db::Decimal::fromString(ind[i].assistantMinutes))}});
    }
    exec(tr, QStringLiteral("set generator GEN_SP_PRIZ_LAB_ISSL_ID to %1").arg(ind.size()));

    int composition = 0;
    const auto& ty = types();
    for (int t = 0; t < ty.size(); ++t) {
        exec(tr,
             "insert into SP_TARVIK (N_LISSL, NAME, NPP, COD, SHABLON) values (:k, :n, :p, :c, :s)",
             {{"k", t + 1},
              {"n", QString::fromUtf8(ty[t].name)},
              {"p", t + 1},
              {"c", QString::fromUtf8(ty[t].code)},
              {"s", QString::fromUtf8(ty[t].templateFile)}});
        for (int j = 0; j < ty[t].indicators.size(); ++j)
            exec(
                tr,
                "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (:k, :t, :p, :n)",
                {{"k", ++composition}, {"t", t + 1}, {"p", ty[t].indicators[j] + 1}, {"n", j + 1}});
    }
    exec(tr, QStringLiteral("set generator GEN_SP_TARVIK_ID to %1").arg(ty.size()));
    exec(tr, QStringLiteral("set generator GEN_LAB_ISSL_PRIZ_ID to %1").arg(composition));

    // Investigations over the last four months; most have their results.
    QRandomGenerator random(20261209);
    auto pick = [&](const QStringList& list) { return list[int(random.bounded(list.size()))]; };
    db::Statement insertRecord(tr,
                               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, N_IFIN, "
                               "COD_VR, COD_MS, N_KON, NPP, "
                               "NOM, FAM, IMJA, OTCH, SNILS, DAT_R, VOZR, NOM_KART, DAT_ISSLED, "
                               "DAT_DOSTAV, DAT_REZULT, ADRES, "
                               "POL, COD_GOS, COD_TER, COD_RAION, NAS_PUNKT, PR_LIVE) values "
                               "(:N_ISSLED, :N_LISSL, :COD_LPU, "
                               ":COD_OTD, :N_IFIN, :COD_VR, :COD_MS, :N_KON, :NPP, :NOM, :FAM, "
                               ":IMJA, :OTCH, :SNILS, :DAT_R, "
                               ":VOZR, :NOM_KART, :DAT_ISSLED, :DAT_DOSTAV, :DAT_REZULT, :ADRES, "
                               ":POL, :COD_GOS, :COD_TER, "
                               ":COD_RAION, :NAS_PUNKT, :PR_LIVE)");
    db::Statement insertResult(
        tr,
        "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values "
        "(:p, :t, :i, :r)");
    const int count = 420;
    QHash<QString, int> journalNumber;
    for (int k = 1; k <= count; ++k) {
        const int type =
            k % 3 == 0 ? int(random.bounded(ty.size())) + 1 : 1 + int(random.bounded(3));
        const int lpu = 1 + int(random.bounded(institutions.size()));
        // The last few dozen arrive today, so the first journal of the day is not empty.
        const QDate taken = k > count - 40 ? today : today.addDays(-int(random.bounded(120)));
        const bool male = random.bounded(2) == 0;
        QString surname = pick(kMaleSurnames);
        if (!male) surname += surname.endsWith(u'н') || surname.endsWith(u'в') ? "а" : "";
        const QDate birth = QDate(1950 + int(random.bounded(55)), 1 + int(random.bounded(12)),
                                  1 + int(random.bounded(28)));
        const bool done =
            taken < today.addDays(-2) ? random.bounded(10) < 9 : random.bounded(2) == 0;
        // Delivered the day of sampling or the next, the result two to four days later: never
        // after the day the demo is made.
        const QDate delivered = std::min(taken.addDays(random.bounded(2)), today);
        const QDate resulted = std::min(taken.addDays(2 + random.bounded(3)), today);
        const QString key = QStringLiteral("%1/%2").arg(type).arg(lpu);
        const int nom = lpu == 1 ? 1000 + int(random.bounded(60)) : 5000 + k;
        const QVariantMap values = {
            {"N_ISSLED", k},
            {"N_LISSL", type},
            {"COD_LPU", lpu},
            {"COD_OTD", 1 + int(random.bounded(departments.size()))},
            {"N_IFIN", 1 + int(random.bounded(funding.size()))},
            {"COD_VR", 1 + int(random.bounded(doctors.size()))},
            {"COD_MS", 1 + int(random.bounded(assistants.size()))},
            {"N_KON", 1 + int(random.bounded(codes.size()))},
            {"NPP", ++journalNumber[key]},
            {"NOM", nom},
            {"FAM", surname},
            {"IMJA", male ? pick(kMaleNames) : pick(kFemaleNames)},
            {"OTCH", male ? pick(kMalePatronymics) : pick(kFemalePatronymics)},
            {"SNILS", QStringLiteral("%1-%2-%3 %4")
                          .arg(100 + k, 3, 10, QLatin1Char('0'))
                          .arg(200 + k % 700, 3, 10, QLatin1Char('0'))
                          .arg(300 + k % 600, 3, 10, QLatin1Char('0'))
                          .arg(k % 100, 2, 10, QLatin1Char('0'))},
            {"DAT_R", birth},
            // The age as the program counts it when the record is entered, on its sampling day.
            {"VOZR", data::ageInYears(birth, taken)},
            {"NOM_KART", QString::number(20000 + k)},
            {"DAT_ISSLED", taken},
            {"DAT_DOSTAV", delivered},
            {"DAT_REZULT", done ? QVariant(resulted) : QVariant()},
            {"ADRES", QStringLiteral("%1, д. %2, кв. %3")
                          .arg(pick(kStreets))
                          .arg(1 + random.bounded(90))
                          .arg(1 + random.bounded(120))},
            {"POL", male ? "М" : "Ж"},
            {"COD_GOS", random.bounded(10) == 0 ? 2 : 1},
            {"COD_TER", 1},
            {"COD_RAION", 1 + int(random.bounded(districts.size()))},
            {"NAS_PUNKT", "г. Самара"},
            {"PR_LIVE", QString::number(random.bounded(10) < 7 ? 0 : random.bounded(5))}};
        for (auto it = values.begin(); it != values.end(); ++it)
            insertRecord.setParam(it.key(), it.value());
        insertRecord.execute();
        // Some records were never opened for results and have no result rows at all.
        if (!done && random.bounded(2) == 0) continue;
        for (int i : ty[type - 1].indicators) {
            insertResult.setParam("p", i + 1);
            insertResult.setParam("t", type);
            insertResult.setParam("i", k);
            insertResult.setParam("r", done ? QVariant(pick(ind[i].values)) : QVariant());
            insertResult.execute();
        }
    }
    exec(tr, QStringLiteral("set generator GEN_ISSLED_ID to %1").arg(count));
    tr.commit();
}

void createDemoRegister(const QString& path) {
    createPatientRegister(path, 60, 1000);
}

void createPatientRegister(const QString& path, int patients, int firstNumber) {
    db::Connection connection;
    connection.setDatabaseName(path);
    connection.setParams({"user_name=SYSDBA", "password=quillmoss", "lc_ctype=WIN1251"});
    connection.createDatabase();
    data::runScript(
        connection,
        "create table karta (nom integer not null primary key, fam varchar(30), imja "
        "varchar(30), otch varchar(30), vozr date, kod_snils varchar(14), nom_pol "
        "varchar(20), uid varchar(20), cod_gos varchar(10), cod_ter varchar(10), cod_raion "
        "varchar(10), nas_punkt varchar(40), adres varchar(255), pol varchar(10), pr_live "
        "char(1));\n"
        "create table diag7 (nom7 integer not null primary key, kod varchar(10));\n"
        "create table diag_pacien (nom integer, nom7 integer);\n"
        "create index ix_diag_pacien_nom on diag_pacien (nom);\n");
    db::Transaction tr(connection, db::kSnapshotWaiting);
    tr.start();
    const QStringList diagnoses = {"Z21", "B20.7", "B23.8", "B24", "Z20.6", "R75"};
    for (int i = 0; i < diagnoses.size(); ++i)
        exec(tr, "insert into diag7 (nom7, kod) values (:k, :c)",
             {{"k", i + 1}, {"c", diagnoses[i]}});
    // Prepared once: a register of a hundred thousand patients is written in seconds.
    db::Statement insertPatient(
        tr,
        "insert into karta (nom, fam, imja, otch, vozr, kod_snils, nom_pol, uid, cod_gos, cod_ter, "
        "cod_raion, nas_punkt, adres, pol, pr_live) values (:nom, :f, :i, :o, :d, :s, :p, :u, '1', "
        "'1', :r, 'г. Самара', :a, :pol, '0')");
    db::Statement insertDiagnosis(tr, "insert into diag_pacien (nom, nom7) values (:n, :k)");
    QRandomGenerator random(1000);
    for (qint64 nom = firstNumber; nom < qint64(firstNumber) + patients; ++nom) {
        const bool male = random.bounded(2) == 0;
        QString surname = kMaleSurnames[int(random.bounded(kMaleSurnames.size()))];
        if (!male) surname += "а";
        const QVariantMap values = {
            {"nom", nom},
            {"f", surname},
            {"i", male ? kMaleNames[int(random.bounded(kMaleNames.size()))]
                       : kFemaleNames[int(random.bounded(kFemaleNames.size()))]},
            {"o", male ? kMalePatronymics[int(random.bounded(kMalePatronymics.size()))]
                       : kFemalePatronymics[int(random.bounded(kFemalePatronymics.size()))]},
            {"d", QDate(1960 + int(random.bounded(45)), 1 + int(random.bounded(12)),
                        1 + int(random.bounded(28)))},
            {"s", QStringLiteral("123-456-%1 00").arg(nom % 1000, 3, 10, QLatin1Char('0'))},
            {"p", QStringLiteral("63%1").arg(nom * 7919)},
            {"u", QStringLiteral("К-%1").arg(nom)},
            {"r", QString::number(1 + random.bounded(7))},
            {"a", QStringLiteral("%1, д. %2")
                      .arg(kStreets[int(random.bounded(kStreets.size()))])
                      .arg(nom % 90 + 1)},
            {"pol", male ? "Муж" : "Жен"}};
        for (auto it = values.begin(); it != values.end(); ++it)
            insertPatient.setParam(it.key(), it.value());
        insertPatient.execute();
        const int diagnosisCount = int(random.bounded(3));
        for (int d = 0; d < diagnosisCount; ++d) {
            insertDiagnosis.setParam("n", nom);
            insertDiagnosis.setParam("k", 1 + int(random.bounded(diagnoses.size())));
            insertDiagnosis.execute();
        }
    }
    tr.commit();
    connection.close();
}

void addLargeRegister(db::Connection& connection, int investigations, int resultsPerInvestigation,
                      const QDate& today) {
    db::Transaction tr(connection, db::kSnapshotWaiting);
    tr.start();
    const int institutions = 10;
    const int typeCount = 10;
    // Directories the journal joins (every investigation is funded by the first source), then
    // one indicator per result slot of every type.
    db::executeRaw(
        tr, QStringLiteral(
                "execute block as declare i integer = 1; begin "
                "while (i <= %1) do begin insert into SP_LPU (COD_LPU, NAME) values (:i, 'ЛПУ ' || "
                ":i); i = i + 1; end "
                "i = 1; while (i <= %2) do begin insert into SP_TARVIK (N_LISSL, NAME, NPP) values "
                "(:i, 'Вид ' || :i, :i); i = i + 1; end "
                "i = 1; while (i <= 20) do begin "
                "insert into SP_OTD (COD_OTD, NAME) values (:i, 'Отделение ' || :i); "
                "insert into SP_VR (COD_VR, FIO) values (:i, 'Врач ' || :i); "
                "insert into SP_MS (COD_MS, FIO) values (:i, 'Лаборант ' || :i); i = i + 1; end "
                "insert into SP_IST_FIN (N_IFIN, NAME, PR_UM) values (1, 'ОМС', '1'); "
                "i = 1; while (i <= %3) do begin insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, "
                "NORMA_TIME, NORMA_TIME_MS) "
                "values (:i, 'Показатель ' || :i, 1.5, 3.25); i = i + 1; end "
                "end")
                .arg(institutions)
                .arg(typeCount)
                .arg(typeCount * resultsPerInvestigation));
    db::executeRaw(
        tr, QStringLiteral("execute block as declare t integer = 1; declare j integer; begin "
                           "while (t <= %1) do begin j = 1; while (j <= %2) do begin "
                           "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values ((:t "
                           "- 1) * %2 + :j, :t, (:t - 1) * %2 + :j, :j); "
                           "j = j + 1; end t = t + 1; end end")
                .arg(typeCount)
                .arg(resultsPerInvestigation));
    db::executeSql(
        tr,
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'Лаборатория', 'Большой регистр')");
    tr.commit();

    // A register as a laboratory's is the day it first upgrades to the change log: millions of
    // records and no history of them. The log's triggers rest while it is loaded.
    const auto logTriggers = [&](const char* state) {
        tr.start();
        for (const char* trigger : {"ISSLED_LOG", "LAB_ISSL_BOL_LOG"})
            db::executeRaw(tr, QStringLiteral("alter trigger %1 %2")
                                   .arg(QLatin1String(trigger), QLatin1String(state)));
        tr.commit();
    };
    logTriggers("inactive");

    // Spread over the 150 days before today: one institution, type and month hold about
    // investigations / (10 * 10 * 5) records, 2,000 for a million.
    const int batch = 20000;
    for (int start = 1; start <= investigations; start += batch) {
        const int end = std::min(investigations, start + batch - 1);
        tr.start();
        db::executeRaw(
            tr,
            QStringLiteral(
                "execute block as declare k integer = %1; declare t integer; declare j integer; "
                "declare d date; begin "
                "while (k <= %2) do begin "
                "t = mod(k / 10, %3) + 1; d = dateadd(-mod(k / 100, 150) day to date '%4'); "
                "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, N_IFIN, COD_VR, COD_MS, "
                "NPP, NOM, "
                "FAM, IMJA, OTCH, DAT_R, VOZR, DAT_ISSLED, DAT_DOSTAV, DAT_REZULT, POL, COD_GOS, "
                "COD_TER, PR_LIVE) "
                "values (:k, :t, mod(:k, %5) + 1, mod(:k, 20) + 1, 1, mod(:k, 20) + 1, mod(:k, 20) "
                "+ 1, :k, "
                ":k, 'Фамилия' || mod(:k, 997), 'Имя' || mod(:k, 89), 'Отчество' || mod(:k, 41), "
                "dateadd(-mod(:k, 30000) day to date '%4'), mod(:k, 80), :d, :d, :d, "
                "iif(mod(:k, 2) = 0, 'М', 'Ж'), 1, 1, '0'); "
                "j = 1; while (j <= %6) do begin "
                "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values "
                "((:k - 1) * %6 + :j, (:t - 1) * %6 + :j, :t, :k, iif(mod(:k, 10) = 0, null, "
                "'отр')); "
                "j = j + 1; end "
                "k = k + 1; end end")
                .arg(start)
                .arg(end)
                .arg(typeCount)
                .arg(today.toString(Qt::ISODate))
                .arg(institutions)
                .arg(resultsPerInvestigation));
        tr.commit();
    }
    tr.start();
    setGeneratorsPastKeys(tr);
    tr.commit();
    logTriggers("active");
}

}  // namespace tools
