#include "data/lab_data.h"

#include "data/age.h"
#include "data/clock.h"
#include "data/reg_ini.h"

using data::Dataset;
using data::FieldSpec;
using data::UpdateSql;

namespace {

const char* const kJournalSql =
    "Select i.*, lpu.Name as LPU,otd.Name as OTD,li.Name as issl, f.name as fin,v.fio as "
    "VRACH,ms.fio as MedSes,k.Cod as COD_OBSL, g.name as GOS,t.name as Ter,r.name as Raion from "
    "Issled i left join sp_lpu lpu on i.cod_lpu=lpu.cod_lpu left join sp_otd otd on "
    "i.cod_otd=otd.cod_otd left join sp_ist_fin f on i.n_ifin=f.n_ifin left join sp_vr v on "
    "i.cod_vr=v.cod_vr left join sp_ms ms on i.cod_ms=ms.cod_ms left join sp_kontingent k on "
    "i.n_kon=k.n_kon left join sp_tarvik li on i.n_lissl=li.n_lissl left join sp_gos g on "
    "i.cod_gos=g.cod_gos left join sp_ter t on i.cod_ter=t.cod_ter left join sp_raion r on "
    "i.cod_raion=r.cod_raion Where i.n_lissl between :n_lissl1 and :n_lissl2 and i.cod_lpu  "
    "between :cod_lpu1 and :cod_lpu2 and i.dat_issled between :d1 and :d2 Order by i.npp";

const char* const kCardSql =
    "Select i.*,lpu.name as LPU, otd.name as OTD,v.fio as VRACH, ms.fio as MedSes,k.Cod as "
    "COD_OBSL, g.name as GOS,t.name as Ter,r.name as Raion from Issled i left join sp_lpu lpu on "
    "i.cod_lpu=lpu.cod_lpu left join sp_otd otd on i.cod_otd=otd.cod_otd left join sp_vr v on "
    "i.cod_vr=v.cod_vr left join sp_ms ms on i.cod_ms=ms.cod_ms left join sp_kontingent k on "
    "i.n_kon=k.n_kon left join sp_gos g on i.cod_gos=g.cod_gos left join sp_ter t on "
    "i.cod_ter=t.cod_ter left join sp_raion r on i.cod_raion=r.cod_raion Where "
    "i.n_issled=:n_issled";

FieldSpec shown(const char* name, const QString& label = {}, int width = 0, bool readOnly = false) {
    return FieldSpec{QString::fromLatin1(name), label, true, width, readOnly};
}
FieldSpec hidden(const char* name, const QString& label = {}) {
    return FieldSpec{QString::fromLatin1(name), label, false, 0, false};
}

// The first row's value of a column of a freshly reopened list; 0 for an empty list.
int firstKeyOf(Dataset& list, const QString& column) {
    list.close();
    list.open();
    const int key = list.isEmpty() ? 0 : list.value(column).toInt();
    list.close();
    return key;
}

}  // namespace

QString cardFieldLabel(const QString& column) {
    static const QHash<QString, QString> labels = {{"N_ISSLED", "Код исследования"},
                                                   {"N_LISSL", "Вид исследования"},
                                                   {"COD_LPU", "ЛПУ"},
                                                   {"COD_OTD", "Отделение"},
                                                   {"N_IFIN", "Бюджет"},
                                                   {"COD_VR", "Врач"},
                                                   {"COD_MS", "Лаборант"},
                                                   {"N_KON", "Код обслед."},
                                                   {"NPP", "№ пп"},
                                                   {"NOM", "Уник.№"},
                                                   {"FAM", "Фамилия"},
                                                   {"IMJA", "Имя"},
                                                   {"OTCH", "Отчество"},
                                                   {"SNILS", "СНИЛС"},
                                                   {"DAT_R", "Дата рождения"},
                                                   {"VOZR", "Возраст"},
                                                   {"NOM_KART", "Карта №"},
                                                   {"NOM_POL", "№ в др.ЛПУ"},
                                                   {"DIAG_COD", "Диагноз МКБ"},
                                                   {"DAT_ISSLED", "Дата взятия ан."},
                                                   {"DAT_DOSTAV", "Дата доставки"},
                                                   {"DAT_REZULT", "Дата результ."},
                                                   {"ADRES", "Улица, дом, кв."},
                                                   {"POL", "Пол"},
                                                   {"COD_GOS", "Страна осн.регистр."},
                                                   {"COD_TER", "Территория"},
                                                   {"COD_RAION", "Район/округ"},
                                                   {"NAS_PUNKT", "Нас.пункт"},
                                                   {"PR_LIVE", "Житель города \\ села"}};
    return labels.value(column);
}

const QStringList& issledColumns() {
    static const QStringList columns = {
        "N_ISSLED", "N_LISSL",    "COD_LPU",    "COD_OTD",    "N_IFIN",   "COD_VR",
        "COD_MS",   "N_KON",      "NPP",        "NOM",        "FAM",      "IMJA",
        "OTCH",     "SNILS",      "DAT_R",      "VOZR",       "NOM_KART", "NOM_POL",
        "DIAG_COD", "DAT_ISSLED", "DAT_DOSTAV", "DAT_REZULT", "ADRES",    "POL",
        "COD_GOS",  "COD_TER",    "COD_RAION",  "NAS_PUNKT",  "PR_LIVE"};
    return columns;
}

QList<FieldSpec> investigationListFields() {
    return {shown("FAM", QStringLiteral("Фамилия пациента")),
            shown("IMJA", QStringLiteral("Имя")),
            shown("OTCH", QStringLiteral("Отчество")),
            shown("COD_MS"),
            shown("N_KON"),
            shown("NPP", QStringLiteral("№пп")),
            shown("NOM", QStringLiteral("Уник. № пациента")),
            shown("DAT_R", QStringLiteral("Дата рождения")),
            shown("POL", QStringLiteral("Пол"), 5),
            shown("ADRES", QStringLiteral("Адрес")),
            shown("DAT_ISSLED", QStringLiteral("Дата взятия анализа")),
            shown("DAT_DOSTAV", QStringLiteral("Дата доставки")),
            shown("DAT_REZULT", QStringLiteral("Дата результата")),
            shown("SNILS", QStringLiteral("СНИЛС")),
            shown("NOM_POL", QStringLiteral("№ полиса СМО")),
            shown("DIAG_COD", QStringLiteral("Диагноз")),
            shown("NOM_KART", QStringLiteral("№ карты")),
            shown("COD_GOS"),
            shown("COD_TER"),
            shown("COD_RAION"),
            shown("NAS_PUNKT"),
            shown("PR_LIVE"),
            shown("LPU", QStringLiteral("ЛПУ")),
            shown("OTD", QStringLiteral("Отделение")),
            shown("FIN", QStringLiteral("Бюджет")),
            shown("VRACH", QStringLiteral("Врач")),
            shown("MEDSES", QStringLiteral("Лаборант")),
            shown("COD_OBSL"),
            shown("ISSL", QStringLiteral("Исследование")),
            shown("GOS"),
            shown("TER"),
            shown("RAION"),
            hidden("N_ISSLED"),
            hidden("N_LISSL"),
            hidden("COD_LPU"),
            hidden("COD_OTD"),
            hidden("N_IFIN"),
            hidden("COD_VR"),
            hidden("VOZR", QStringLiteral("Возраст"))};
}

LabData::LabData(QObject* parent)
    : QObject(parent),
      writeTransaction(mainConnection, db::kReadCommitted),
      registerSnapshot(registerConnection, db::kReadOnlySnapshot),
      searchSnapshot(mainConnection, db::kReadOnlySnapshot),
      adHocStatement(writeTransaction),
      registerStatement(registerSnapshot),
      requisites(writeTransaction, "requisites"),
      typeList(writeTransaction, "typeList"),
      institutions(writeTransaction, "institutions"),
      departments(writeTransaction, "departments"),
      doctors(writeTransaction, "doctors"),
      fundingSources(writeTransaction, "fundingSources"),
      labAssistants(writeTransaction, "labAssistants"),
      investigationTypes(writeTransaction, "investigationTypes"),
      indicators(writeTransaction, "indicators"),
      composition(writeTransaction, "composition"),
      indicatorNorms(writeTransaction, "indicatorNorms"),
      journal(writeTransaction, "journal"),
      card(writeTransaction, "card"),
      examinationCodes(writeTransaction, "examinationCodes"),
      countries(writeTransaction, "countries"),
      territories(writeTransaction, "territories"),
      districts(writeTransaction, "districts"),
      journalResultMarks(writeTransaction, "journalResultMarks"),
      requisitesSource(&requisites, "requisitesSource"),
      typeListSource(&typeList, "typeListSource"),
      institutionsSource(&institutions, "institutionsSource"),
      departmentsSource(&departments, "departmentsSource"),
      doctorsSource(&doctors, "doctorsSource"),
      fundingSourcesSource(&fundingSources, "fundingSourcesSource"),
      labAssistantsSource(&labAssistants, "labAssistantsSource"),
      investigationTypesSource(&investigationTypes, "investigationTypesSource"),
      indicatorsSource(&indicators, "indicatorsSource"),
      compositionSource(&composition, "compositionSource"),
      indicatorNormsSource(&indicatorNorms, "indicatorNormsSource"),
      journalSource(&journal, "journalSource"),
      cardSource(&card, "cardSource"),
      examinationCodesSource(&examinationCodes, "examinationCodesSource"),
      countriesSource(&countries, "countriesSource"),
      territoriesSource(&territories, "territoriesSource"),
      districtsSource(&districts, "districtsSource"),
      history(mainConnection) {
    setObjectName("LabData");
    mainConnection.setParams({"lc_ctype=WIN1251"});
    const data::RegIni defaults;
    setRegisterLogin(defaults.registerUser, defaults.registerPassword);
    setUpDatasets();
}

LabData::~LabData() = default;

QList<Dataset*> LabData::mainDatasets() {
    return {&requisites, &typeList,         &institutions,   &departments,
            &doctors,    &fundingSources,   &labAssistants,  &investigationTypes,
            &indicators, &composition,      &indicatorNorms, &journal,
            &card,       &examinationCodes, &countries,      &territories,
            &districts,  &history.timeline, &history.deleted};
}

void LabData::setUpDatasets() {
    const QString name = QStringLiteral("Наименование");

    requisites.setSql("Select * from Recv_st");
    requisitesUpdate = UpdateSql::standard(
        "Recv_st", "COD", {"COD", "NAME", "NAME_FULL", "ADRES", "GLAV_VR", "KOD_OGRN"});
    requisitesUpdate.insertSql.clear();
    requisitesUpdate.deleteSql.clear();
    requisites.setUpdateSql(requisitesUpdate);

    typeList.setSql("Select * from SP_TARVIK Order by npp");
    typeList.declareFields(
        {shown("NAME", name), shown("SHABLON", QStringLiteral("Файл шаблона")), hidden("N_LISSL")});
    typeListUpdate = UpdateSql::standard("SP_TARVIK", "N_LISSL", {"N_LISSL", "NAME", "NPP", "COD"});
    typeList.setUpdateSql(typeListUpdate);
    typeList.setGenerator("N_LISSL", "GEN_SP_TARVIK_ID");

    institutions.setSql("Select * from SP_LPU Order by Name");
    institutions.declareFields({shown("NAME", name),
                                shown("PATH", QStringLiteral("Путь к базе данных"), 255),
                                hidden("COD_LPU")});
    institutionsUpdate = UpdateSql::standard("SP_LPU", "COD_LPU", {"COD_LPU", "NAME", "PATH"});
    institutions.setUpdateSql(institutionsUpdate);
    institutions.setGenerator("COD_LPU", "GEN_SP_LPU_ID");

    departments.setSql("Select * from SP_OTD Order by Name");
    departments.declareFields({shown("NAME", name), hidden("COD_OTD"), hidden("COD_LPU")});
    departmentsUpdate = UpdateSql::standard("SP_OTD", "COD_OTD", {"COD_OTD", "NAME", "COD_LPU"});
    departmentsUpdate.refreshSql =
        "Select COD_OTD, NAME, PRIMEC, COD, PROFIL, COD_LPU from SP_OTD where COD_OTD = :COD_OTD";
    departments.setUpdateSql(departmentsUpdate);
    departments.setGenerator("COD_OTD", "GEN_SP_OTD_ID");

    doctors.setSql("select * from sp_vr Order by fio");
    doctors.declareFields({shown("FIO", QStringLiteral("Ф.И.О.")), hidden("COD_VR")});
    doctorsUpdate = UpdateSql::standard("sp_vr", "COD_VR", {"COD_VR", "FIO"});
    doctors.setUpdateSql(doctorsUpdate);
    doctors.setGenerator("COD_VR", "GEN_SP_VR_ID");

    fundingSources.setSql("select * from SP_Ist_fin");
    fundingSources.declareFields(
        {shown("NAME", name), shown("PR_UM", QStringLiteral("1 - по умолчанию, 0 - остальные"), 10),
         hidden("N_IFIN")});
    fundingSourcesUpdate = UpdateSql::standard("SP_Ist_fin", "N_IFIN", {"N_IFIN", "NAME", "PR_UM"});
    fundingSources.setUpdateSql(fundingSourcesUpdate);
    fundingSources.setGenerator("N_IFIN", "GEN_SP_IST_FIN_ID");

    labAssistants.setSql("select * from sp_ms Order by fio");
    labAssistants.declareFields({shown("FIO", QStringLiteral("Ф.И.О.")), hidden("COD_MS")});
    labAssistantsUpdate = UpdateSql::standard("sp_ms", "COD_MS", {"COD_MS", "FIO"});
    labAssistants.setUpdateSql(labAssistantsUpdate);
    labAssistants.setGenerator("COD_MS", "GEN_SP_MS_ID");

    investigationTypes.setSql("select * from SP_tarvik Order by npp");
    investigationTypes.declareFields({shown("NAME", name), shown("NPP", QStringLiteral("№ пп")),
                                      shown("COD", QStringLiteral("Код")),
                                      shown("SHABLON", QStringLiteral("Файл шаблона")),
                                      hidden("N_LISSL")});
    investigationTypesUpdate =
        UpdateSql::standard("SP_tarvik", "N_LISSL", {"N_LISSL", "NAME", "NPP", "COD", "SHABLON"});
    investigationTypes.setUpdateSql(investigationTypesUpdate);
    investigationTypes.setGenerator("N_LISSL", "GEN_SP_TARVIK_ID");
    investigationTypes.afterScroll = [this](Dataset& d) { reloadCompositionOfCurrentType(d); };

    const QString doctorNorm = QStringLiteral("Норма времени для врача (мин)");
    const QString assistantNorm = QStringLiteral("Норма времени для лаб. (мин)");
    indicators.setSql(
        "select sp.*,i.name as Issled,i.npp from SP_priz_lab_issl sp Left join Lab_issl_priz lp on "
        "sp.n_prlab=lp.n_prlab Left join SP_Tarvik i on lp.n_lissl=i.n_lissl Order by "
        "i.npp,sp.n_prlab");
    indicators.declareFields({shown("NAME", name), shown("ED_IZM", QStringLiteral("Ед.изм.")),
                              shown("NORMA", QStringLiteral("Норма")),
                              shown("COD", QStringLiteral("Код")), shown("NORMA_TIME", doctorNorm),
                              shown("NORMA_TIME_MS", assistantNorm),
                              shown("ISSLED", QStringLiteral("Исследование"), 0, true),
                              shown("NPP", QStringLiteral("№пп")), hidden("N_PRLAB")});
    indicatorsUpdate = UpdateSql::standard(
        "SP_priz_lab_issl", "N_PRLAB",
        {"N_PRLAB", "NAME", "ED_IZM", "NORMA", "COD", "NORMA_TIME", "NORMA_TIME_MS"});
    indicators.setUpdateSql(indicatorsUpdate);
    indicators.setGenerator("N_PRLAB", "GEN_SP_PRIZ_LAB_ISSL_ID");

    composition.setSql(
        "select lp.*,p.name from lab_issl_priz lp, sp_priz_lab_issl p Where lp.n_prlab=p.n_prlab "
        "and "
        "lp.n_lissl=:n_lissl Order by lp.npp");
    composition.declareFields({shown("NAME", name), shown("NPP", QStringLiteral("№ пп"), 7),
                               hidden("N_LIPR"), hidden("N_LISSL"), hidden("N_PRLAB")});
    compositionUpdate =
        UpdateSql::standard("lab_issl_priz", "N_LIPR", {"N_LIPR", "N_LISSL", "N_PRLAB", "NPP"});
    composition.setUpdateSql(compositionUpdate);
    composition.setGenerator("N_LIPR", "GEN_LAB_ISSL_PRIZ_ID");
    composition.afterInsert = [this](Dataset& d) { numberNewCompositionRow(d); };

    indicatorNorms.setSql(
        "select sp.* from SP_priz_lab_issl sp Left join Lab_issl_priz lp on sp.n_prlab=lp.n_prlab "
        "Where lp.n_lissl=:n_lissl Order by sp.n_prlab");
    indicatorNorms.declareFields({shown("NAME", name, 0, true), shown("NORMA_TIME", doctorNorm),
                                  shown("NORMA_TIME_MS", assistantNorm), hidden("N_PRLAB")});
    indicatorNormsUpdate.modifySql =
        "update SP_priz_lab_issl set NORMA_TIME = :NORMA_TIME, NORMA_TIME_MS = :NORMA_TIME_MS "
        "where "
        "N_PRLAB = :OLD_N_PRLAB";
    indicatorNormsUpdate.insertSql =
        "insert into SP_priz_lab_issl (NORMA_TIME, NORMA_TIME_MS) values (:NORMA_TIME, "
        ":NORMA_TIME_MS)";
    indicatorNorms.setUpdateSql(indicatorNormsUpdate);
    indicatorNorms.setGenerator("N_PRLAB", "GEN_SP_PRIZ_LAB_ISSL_ID");

    journal.setSql(kJournalSql);
    journal.declareFields(investigationListFields());
    journalUpdate = UpdateSql::standard("Issled", "N_ISSLED", issledColumns());
    journal.setUpdateSql(journalUpdate);
    journal.setGenerator("N_ISSLED", "GEN_ISSLED_ID");
    journal.afterInsert = [this](Dataset& d) { setNewRecordDefaults(d); };
    journal.setValidator("DAT_R", setAgeFromBirthDate);

    card.setSql(kCardSql);
    // The card shows captions of its own; the labels name the fields in messages about them.
    QList<FieldSpec> cardFields;
    for (const QString& column : issledColumns() + QStringList{"LPU", "OTD", "VRACH", "MEDSES",
                                                               "COD_OBSL", "GOS", "TER", "RAION"})
        cardFields << FieldSpec{column, cardFieldLabel(column), true, 0, false};
    card.declareFields(cardFields);
    cardUpdate = UpdateSql::standard("Issled", "N_ISSLED", issledColumns());
    card.setUpdateSql(cardUpdate);
    card.setGenerator("N_ISSLED", "GEN_ISSLED_ID");
    card.setValidator("DAT_R", setAgeFromBirthDate);

    examinationCodes.setSql("Select * from SP_Kontingent Order by cod");
    examinationCodes.declareFields(
        {shown("COD", QStringLiteral("Код"), 20), shown("NAME", name, 100), hidden("N_KON")});
    countries.setSql("Select * from SP_GOS Order by nom desc,name");
    territories.setSql("Select * from SP_Ter Order by nom desc,name");
    districts.setSql("Select * from SP_Raion Order by name");
}

// ---------------------------------------------------------------------------------------------

bool LabData::prepareResults(int key) {
    data::StatementObject& probe = adHocStatement;
    probe.setSql(QStringLiteral("Select n_issled from Issled Where n_issled=:n_issled"));
    probe.setParam("n_issled", key);
    probe.execute();
    const bool exists = !probe.eof();
    probe.close();
    if (!exists) return false;

    probe.setSql(QStringLiteral("Select * from Lab_issl_BOL Where n_issled=:n_issled"));
    probe.setParam("n_issled", key);
    probe.execute();
    const bool hasRows = !probe.eof();
    probe.close();
    if (hasRows) return true;
    // The type is the one the record holds when the rows are written, whoever chose it.
    probe.setSql(QStringLiteral(
        "Insert into Lab_issl_BOL(n_issled,n_prlab,n_lissl) Select i.n_issled,lp.n_prlab,"
        "lp.n_lissl from Issled i join lab_issl_priz lp on lp.n_lissl=i.n_lissl Where "
        "i.n_issled=:n_issled Order by lp.npp"));
    probe.setParam("n_issled", key);
    try {
        probe.execute();
        writeTransaction.commitWork();
    } catch (...) {
        data::rollBackKeepingError(writeTransaction);
        throw;
    }
    return true;
}

void LabData::setRegisterLogin(const QString& user, const QString& password) {
    registerConnection.setParams(
        {"user_name=" + user, "password=" + password, "lc_ctype=WIN1251", "sql_dialect=3"});
}

QString LabData::registerPathOf(int institution) {
    if (!institutions.isActive()) institutions.open();
    // Read row by row: the list's cursor belongs to the windows that show it.
    const int key = institutions.fieldIndex("COD_LPU");
    const int path = institutions.fieldIndex("PATH");
    for (int row = 0; row < institutions.recordCount(); ++row)
        if (institutions.valueAt(row, key).toInt() == institution)
            return institutions.valueAt(row, path).toString().trimmed();
    return {};
}

data::RegisterCopy LabData::copyPatientFromRegister(Dataset& record, bool withResidence) {
    const int institution = record.value("COD_LPU").toInt();
    const int patientNumber = record.value("NOM").toInt();
    if (institution < 1 || patientNumber < 1) return data::RegisterCopy::NoPatientKey;
    const QString path = registerPathOf(institution);
    if (path.isEmpty()) return data::RegisterCopy::NoRegisterPath;
    // The register is read whole and let go before the record changes at all.
    const std::optional<data::RegisterPatient> patient =
        data::readRegisterPatient(registerStatement, path, patientNumber);
    if (!patient) return data::RegisterCopy::PatientNotFound;
    data::writeRegisterPatient(record, *patient, withResidence);
    return data::RegisterCopy::Copied;
}

void LabData::setNewRecordDefaults(Dataset& record) {
    record.setValue("N_LISSL", session.investigationType);
    const QDate today = data::clock::today();
    record.setValue("DAT_ISSLED", today);
    record.setValue("DAT_DOSTAV", today);
    int institution = 0;
    if (journalInstitutions && journalInstitutions->isActive() && !journalInstitutions->isEmpty())
        institution = journalInstitutions->value("COD_LPU").toInt();
    record.setValue("COD_LPU", institution);
    record.setValue("COD_GOS", firstKeyOf(countries, "COD_GOS"));
    record.setValue("COD_TER", firstKeyOf(territories, "COD_TER"));
}

void LabData::setAgeFromBirthDate(Dataset& dataset, const QVariant& birthDate) {
    // A cleared birth date clears the age rather than counting from a zero date.
    if (birthDate.isNull())
        dataset.setValue("VOZR", QVariant());
    else
        dataset.setValue("VOZR", data::ageInYears(birthDate.toDate(), data::clock::today()));
}

void LabData::reloadCompositionOfCurrentType(Dataset& types) {
    if (session.directoryKind != DirectoryKind::Composition) return;
    readComposition(types.value("N_LISSL"));
}

void LabData::readComposition(const QVariant& type) {
    composition.close();
    composition.setParam("n_lissl", type);
    composition.open();
    composition.last();
    session.lastCompositionPosition = composition.isEmpty() ? 0 : composition.value("NPP").toInt();
    composition.first();
}

void LabData::numberNewCompositionRow(Dataset& row) {
    row.setValue("N_LISSL", investigationTypes.value("N_LISSL"));
    row.setValue("N_PRLAB", indicators.value("N_PRLAB"));
    session.lastCompositionPosition = session.lastCompositionPosition + 1;
    row.setValue("NPP", session.lastCompositionPosition);
}

void LabData::setUpCardResults(Dataset& results) {
    results.setSql(
        "Select li.*, lp.npp,pr.name,pr.ed_izm\n"
        "from Lab_issl_bol li,sp_priz_lab_issl pr, lab_issl_priz lp\n"
        "Where li.n_prlab=pr.n_prlab \n"
        " and li.n_prlab=lp.n_prlab\n"
        " and li.n_issled=:n_issled\n"
        " and lp.n_lissl=li.n_lissl\n"
        "Order by lp.npp");
    results.declareFields({{"N_ISBOL", {}, false, 0, false},
                           {"N_PRLAB", {}, false, 0, false},
                           {"N_LISSL", {}, true, 0, false},
                           {"N_ISSLED", {}, false, 0, false},
                           {"NAME", QStringLiteral("Показатель"), true, 0, false},
                           {"RESULT", QStringLiteral("Результат"), true, 0, false},
                           {"ED_IZM", QStringLiteral("Ед. изм."), true, 0, false},
                           {"NPP", {}, true, 0, false}});
    data::UpdateSql update;
    update.modifySql =
        "update Lab_issl_bol set N_ISBOL = :N_ISBOL, N_PRLAB = :N_PRLAB, N_LISSL = :N_LISSL, "
        "N_ISSLED = :N_ISSLED, RESULT = :RESULT where N_ISBOL = :OLD_N_ISBOL";
    update.insertSql =
        "insert into Lab_issl_bol (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (:N_ISBOL, "
        ":N_PRLAB, :N_LISSL, :N_ISSLED, :RESULT)";
    update.deleteSql = "delete from Lab_issl_bol where N_ISBOL = :OLD_N_ISBOL";
    results.setUpdateSql(update);
    results.afterInsert = [this](Dataset& d) { d.setValue("N_ISSLED", card.value("N_ISSLED")); };
}

void LabData::moveCompositionRow(const CompositionMove& move) {
    const int s = move.fromPosition;
    const int t = move.toPosition;
    if (s == t || s == 0 || t == 0) return;
    auto run = [this](const char* sql, const QVariantMap& values) {
        data::StatementObject& statement = adHocStatement;
        statement.close();
        statement.setSql(QString::fromLatin1(sql));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            statement.setParam(it.key(), it.value());
        statement.execute();
    };
    try {
        run("update lab_issl_priz lp set  lp.npp=:npp Where lp.n_lipr=:n_lipr",
            {{"npp", t}, {"n_lipr", move.movedRow}});
        if (s > t)
            run("update lab_issl_priz lp set  lp.npp=lp.npp+1 Where ((lp.npp > :npp) or "
                "(lp.n_lipr=:target))   and lp.n_lissl=:n_lissl",
                {{"npp", t}, {"target", move.targetRow}, {"n_lissl", move.type}});
        else
            run("update lab_issl_priz lp set  lp.npp=lp.npp-1 Where ((lp.npp between :first "
                "and :last)                or (lp.n_lipr=:target))   and lp.n_lissl=:n_lissl",
                {{"first", s + 1},
                 {"last", t - 1},
                 {"target", move.targetRow},
                 {"n_lissl", move.type}});
        writeTransaction.commitWork();
    } catch (...) {
        data::rollBackKeepingError(writeTransaction);
        throw;
    }
    // Moving up renumbers every row after the target: the highest position is read again, or
    // the next added row would share one.
    readComposition(move.type);
}

void LabData::setUpJournalInstitutions(Dataset& list) {
    list.setSql("Select * from SP_LPU Order by Name");
    list.declareFields({{"COD_LPU", {}, false, 0, false},
                        {"NAME", QStringLiteral("Наименование"), true, 0, false}});
}

QSet<int> LabData::journalRecordsWithResults() {
    // Read at every reload of the journal: the statement stays prepared between readings.
    Dataset& marks = journalResultMarks;
    marks.setSql(
        "select distinct b.n_issled from issled i join lab_issl_bol b on b.n_issled = i.n_issled "
        "where i.n_lissl between :n_lissl1 and :n_lissl2 and i.cod_lpu between :cod_lpu1 and "
        ":cod_lpu2 and i.dat_issled between :d1 and :d2 and b.result is not null");
    for (const char* p : {"n_lissl1", "n_lissl2", "cod_lpu1", "cod_lpu2", "d1", "d2"})
        marks.setParam(p, journal.param(p));
    marks.open();
    QSet<int> keys;
    for (int row = 0; row < marks.recordCount(); ++row) keys.insert(marks.valueAt(row, 0).toInt());
    marks.close();
    return keys;
}
