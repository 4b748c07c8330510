#include "data/dm_pelta.h"

#include "data/age.h"
#include "data/clock.h"
#include "data/globals.h"

using data::Dataset;
using data::FieldSpec;
using data::UpdateSql;

TdmV* dmV = nullptr;

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

// What the card's fields are called when a message names one.
QString cardLabel(const QString& column) {
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

}  // namespace

const QStringList& issledColumns() {
    static const QStringList columns = {
        "N_ISSLED", "N_LISSL",    "COD_LPU",    "COD_OTD",    "N_IFIN",   "COD_VR",
        "COD_MS",   "N_KON",      "NPP",        "NOM",        "FAM",      "IMJA",
        "OTCH",     "SNILS",      "DAT_R",      "VOZR",       "NOM_KART", "NOM_POL",
        "DIAG_COD", "DAT_ISSLED", "DAT_DOSTAV", "DAT_REZULT", "ADRES",    "POL",
        "COD_GOS",  "COD_TER",    "COD_RAION",  "NAS_PUNKT",  "PR_LIVE"};
    return columns;
}

TdmV::TdmV(QObject* parent)
    : QObject(parent),
      IBTransaction1(IBDatabase1, {"read_committed", "rec_version", "nowait"}),
      IBTransaction2(IBDatabase2, {"read", "concurrency"}),
      IBTransaction3(IBDatabase1, {"read", "concurrency"}),
      IBSQL1(IBTransaction1),
      IBSQL2(IBTransaction2),
      IBSQL3(IBTransaction1),
      IBQuery1(IBTransaction1, "IBQuery1"),
      IBQuery2(IBTransaction1, "IBQuery2"),
      IBQuery3(IBTransaction1, "IBQuery3"),
      IBQuery4(IBTransaction1, "IBQuery4"),
      IBQuery5(IBTransaction1, "IBQuery5"),
      IBQuery6(IBTransaction1, "IBQuery6"),
      IBQuery12(IBTransaction1, "IBQuery12"),
      IBQuery53(IBTransaction1, "IBQuery53"),
      IBQuery54(IBTransaction1, "IBQuery54"),
      IBQuery55(IBTransaction1, "IBQuery55"),
      IBQuery13(IBTransaction1, "IBQuery13"),
      Issled(IBTransaction1, "Issled"),
      Karta(IBTransaction1, "Karta"),
      IBQuery8(IBTransaction1, "IBQuery8"),
      IBQuery9(IBTransaction1, "IBQuery9"),
      IBQuery10(IBTransaction1, "IBQuery10"),
      IBQuery11(IBTransaction1, "IBQuery11"),
      IBQuery99(IBTransaction1, "IBQuery99"),
      DataSource1(&IBQuery1, "DataSource1"),
      DataSource2(&IBQuery2, "DataSource2"),
      DataSource3(&IBQuery3, "DataSource3"),
      DataSource4(&IBQuery4, "DataSource4"),
      DataSource5(&IBQuery5, "DataSource5"),
      DataSource6(&IBQuery6, "DataSource6"),
      DataSource12(&IBQuery12, "DataSource12"),
      DataSource53(&IBQuery53, "DataSource53"),
      DataSource54(&IBQuery54, "DataSource54"),
      DataSource55(&IBQuery55, "DataSource55"),
      DataSource13(&IBQuery13, "DataSource13"),
      DSIssled(&Issled, "DSIssled"),
      DSKarta(&Karta, "DSKarta"),
      DataSource8(&IBQuery8, "DataSource8"),
      DataSource9(&IBQuery9, "DataSource9"),
      DataSource10(&IBQuery10, "DataSource10"),
      DataSource11(&IBQuery11, "DataSource11"),
      DataSource99(&IBQuery99, "DataSource99") {
    setObjectName("dmV");
    IBDatabase1.setParams({"lc_ctype=WIN1251"});
    IBDatabase2.setParams({"user_name=sysdba", "password=quillmoss", "lc_ctype=WIN1251"});
    setUpDatasets();
    dmV = this;
}

TdmV::~TdmV() {
    if (dmV == this) dmV = nullptr;
}

QList<Dataset*> TdmV::mainDatasets() {
    return {&IBQuery1,  &IBQuery2,  &IBQuery3,  &IBQuery4,  &IBQuery5,  &IBQuery6,
            &IBQuery12, &IBQuery53, &IBQuery54, &IBQuery55, &IBQuery13, &Issled,
            &Karta,     &IBQuery8,  &IBQuery9,  &IBQuery10, &IBQuery11, &IBQuery99};
}

void TdmV::setUpDatasets() {
    const QString name = QStringLiteral("Наименование");

    IBQuery1.setSql("Select * from Recv_st");
    IBUpdateSQL1 = UpdateSql::standard(
        "Recv_st", "COD", {"COD", "NAME", "NAME_FULL", "ADRES", "GLAV_VR", "KOD_OGRN"});
    IBUpdateSQL1.insertSql.clear();
    IBUpdateSQL1.deleteSql.clear();
    IBQuery1.setUpdateSql(IBUpdateSQL1);

    IBQuery2.setSql("Select * from SP_TARVIK Order by npp");
    IBQuery2.declareFields(
        {shown("NAME", name), shown("SHABLON", QStringLiteral("Файл шаблона")), hidden("N_LISSL")});
    IBUpdateSQL2 = UpdateSql::standard("SP_TARVIK", "N_LISSL", {"N_LISSL", "NAME", "NPP", "COD"});
    IBQuery2.setUpdateSql(IBUpdateSQL2);
    IBQuery2.setGenerator("N_LISSL", "GEN_SP_TARVIK_ID");

    IBQuery3.setSql("Select * from SP_LPU Order by Name");
    IBQuery3.declareFields({shown("NAME", name),
                            shown("PATH", QStringLiteral("Путь к базе данных"), 255),
                            hidden("COD_LPU")});
    IBUpdateSQL3 = UpdateSql::standard("SP_LPU", "COD_LPU", {"COD_LPU", "NAME", "PATH"});
    IBQuery3.setUpdateSql(IBUpdateSQL3);
    IBQuery3.setGenerator("COD_LPU", "GEN_SP_LPU_ID");

    IBQuery4.setSql("Select * from SP_OTD Order by Name");
    IBQuery4.declareFields({shown("NAME", name), hidden("COD_OTD"), hidden("COD_LPU")});
    IBUpdateSQL4 = UpdateSql::standard("SP_OTD", "COD_OTD", {"COD_OTD", "NAME", "COD_LPU"});
    IBUpdateSQL4.refreshSql =
        "Select COD_OTD, NAME, PRIMEC, COD, PROFIL, COD_LPU from SP_OTD where COD_OTD = :COD_OTD";
    IBQuery4.setUpdateSql(IBUpdateSQL4);
    IBQuery4.setGenerator("COD_OTD", "GEN_SP_OTD_ID");
    IBQuery4.afterInsert = [this](Dataset& d) { IBQuery4AfterInsert(d); };

    IBQuery5.setSql("select * from sp_vr Order by fio");
    IBQuery5.declareFields({shown("FIO", QStringLiteral("Ф.И.О.")), hidden("COD_VR")});
    IBUpdateSQL5 = UpdateSql::standard("sp_vr", "COD_VR", {"COD_VR", "FIO"});
    IBQuery5.setUpdateSql(IBUpdateSQL5);
    IBQuery5.setGenerator("COD_VR", "GEN_SP_VR_ID");

    IBQuery6.setSql("select * from SP_Ist_fin");
    IBQuery6.declareFields({shown("NAME", name),
                            shown("PR_UM", QStringLiteral("1 - по умолчанию, 0 - остальные"), 10),
                            hidden("N_IFIN")});
    IBUpdateSQL6 = UpdateSql::standard("SP_Ist_fin", "N_IFIN", {"N_IFIN", "NAME", "PR_UM"});
    IBQuery6.setUpdateSql(IBUpdateSQL6);
    IBQuery6.setGenerator("N_IFIN", "GEN_SP_IST_FIN_ID");

    IBQuery12.setSql("select * from sp_ms Order by fio");
    IBQuery12.declareFields({shown("FIO", QStringLiteral("Ф.И.О.")), hidden("COD_MS")});
    IBUpdateSQL12 = UpdateSql::standard("sp_ms", "COD_MS", {"COD_MS", "FIO"});
    IBQuery12.setUpdateSql(IBUpdateSQL12);
    IBQuery12.setGenerator("COD_MS", "GEN_SP_MS_ID");

    IBQuery53.setSql("select * from SP_tarvik Order by npp");
    IBQuery53.declareFields({shown("NAME", name), shown("NPP", QStringLiteral("№ пп")),
                             shown("COD", QStringLiteral("Код")),
                             shown("SHABLON", QStringLiteral("Файл шаблона")), hidden("N_LISSL")});
    IBUpdateSQL53 =
        UpdateSql::standard("SP_tarvik", "N_LISSL", {"N_LISSL", "NAME", "NPP", "COD", "SHABLON"});
    IBQuery53.setUpdateSql(IBUpdateSQL53);
    IBQuery53.setGenerator("N_LISSL", "GEN_SP_TARVIK_ID");
    IBQuery53.afterScroll = [this](Dataset& d) { IBQuery53AfterScroll(d); };

    const QString doctorNorm = QStringLiteral("Норма времени для врача (мин)");
    const QString assistantNorm = QStringLiteral("Норма времени для лаб. (мин)");
    IBQuery54.setSql(
        "select sp.*,i.name as Issled,i.npp from SP_priz_lab_issl sp Left join Lab_issl_priz lp on "
        "sp.n_prlab=lp.n_prlab Left join SP_Tarvik i on lp.n_lissl=i.n_lissl Order by "
        "i.npp,sp.n_prlab");
    IBQuery54.declareFields({shown("NAME", name), shown("ED_IZM", QStringLiteral("Ед.изм.")),
                             shown("NORMA", QStringLiteral("Норма")),
                             shown("COD", QStringLiteral("Код")), shown("NORMA_TIME", doctorNorm),
                             shown("NORMA_TIME_MS", assistantNorm),
                             shown("ISSLED", QStringLiteral("Исследование"), 0, true),
                             shown("NPP", QStringLiteral("№пп")), hidden("N_PRLAB")});
    IBUpdateSQL54 = UpdateSql::standard(
        "SP_priz_lab_issl", "N_PRLAB",
        {"N_PRLAB", "NAME", "ED_IZM", "NORMA", "COD", "NORMA_TIME", "NORMA_TIME_MS"});
    IBQuery54.setUpdateSql(IBUpdateSQL54);
    IBQuery54.setGenerator("N_PRLAB", "GEN_SP_PRIZ_LAB_ISSL_ID");

    IBQuery55.setSql(
        "select lp.*,p.name from lab_issl_priz lp, sp_priz_lab_issl p Where lp.n_prlab=p.n_prlab "
        "and "
        "lp.n_lissl=:n_lissl Order by lp.npp");
    IBQuery55.declareFields({shown("NAME", name), shown("NPP", QStringLiteral("№ пп"), 7),
                             hidden("N_LIPR"), hidden("N_LISSL"), hidden("N_PRLAB")});
    IBUpdateSQL55 =
        UpdateSql::standard("lab_issl_priz", "N_LIPR", {"N_LIPR", "N_LISSL", "N_PRLAB", "NPP"});
    IBQuery55.setUpdateSql(IBUpdateSQL55);
    IBQuery55.setGenerator("N_LIPR", "GEN_LAB_ISSL_PRIZ_ID");
    IBQuery55.afterInsert = [this](Dataset& d) { IBQuery55AfterInsert(d); };

    IBQuery13.setSql(
        "select sp.* from SP_priz_lab_issl sp Left join Lab_issl_priz lp on sp.n_prlab=lp.n_prlab "
        "Where lp.n_lissl=:n_lissl Order by sp.n_prlab");
    IBQuery13.declareFields({shown("NAME", name, 0, true), shown("NORMA_TIME", doctorNorm),
                             shown("NORMA_TIME_MS", assistantNorm), hidden("N_PRLAB")});
    IBUpdateSQL13.modifySql =
        "update SP_priz_lab_issl set NORMA_TIME = :NORMA_TIME, NORMA_TIME_MS = :NORMA_TIME_MS "
        "where "
        "N_PRLAB = :OLD_N_PRLAB";
    IBUpdateSQL13.insertSql =
        "insert into SP_priz_lab_issl (NORMA_TIME, NORMA_TIME_MS) values (:NORMA_TIME, "
        ":NORMA_TIME_MS)";
    IBQuery13.setUpdateSql(IBUpdateSQL13);
    IBQuery13.setGenerator("N_PRLAB", "GEN_SP_PRIZ_LAB_ISSL_ID");

    Issled.setSql(kJournalSql);
    Issled.declareFields({shown("FAM", QStringLiteral("Фамилия пациента")),
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
                          hidden("VOZR", QStringLiteral("Возраст"))});
    IBUpdateSQL7 = UpdateSql::standard("Issled", "N_ISSLED", issledColumns());
    Issled.setUpdateSql(IBUpdateSQL7);
    Issled.setGenerator("N_ISSLED", "GEN_ISSLED_ID");
    Issled.afterInsert = [this](Dataset& d) { IssledAfterInsert(d); };
    Issled.setValidator("DAT_R",
                        [this](Dataset& d, const QVariant& v) { IssledDAT_RValidate(d, v); });

    Karta.setSql(kCardSql);
    // The card shows captions of its own; the labels name the fields in messages about them.
    QList<FieldSpec> card;
    for (const QString& column : issledColumns() + QStringList{"LPU", "OTD", "VRACH", "MEDSES",
                                                               "COD_OBSL", "GOS", "TER", "RAION"})
        card << FieldSpec{column, cardLabel(column), true, 0, false};
    Karta.declareFields(card);
    IBUpdateSQL8 = UpdateSql::standard("Issled", "N_ISSLED", issledColumns());
    Karta.setUpdateSql(IBUpdateSQL8);
    Karta.setGenerator("N_ISSLED", "GEN_ISSLED_ID");
    Karta.setValidator("DAT_R",
                       [this](Dataset& d, const QVariant& v) { KartaDAT_RValidate(d, v); });

    IBQuery8.setSql("Select * from SP_Kontingent Order by cod");
    IBQuery8.declareFields(
        {shown("COD", QStringLiteral("Код"), 20), shown("NAME", name, 100), hidden("N_KON")});
    IBQuery9.setSql("Select * from SP_GOS Order by nom desc,name");
    IBQuery10.setSql("Select * from SP_Ter Order by nom desc,name");
    IBQuery11.setSql("Select * from SP_Raion Order by name");
    IBQuery99.setSql("select 1 from rdb$database");
}

// ---------------------------------------------------------------------------------------------

void TdmV::IssledAfterInsert(Dataset& dataset) {
    dataset.setValue("N_LISSL", CurrentInvestigationType);
    const QDate today = data::clock::today();
    dataset.setValue("DAT_ISSLED", today);
    dataset.setValue("DAT_DOSTAV", today);
    int institution = 0;
    if (journalInstitutions && journalInstitutions->isActive() && !journalInstitutions->isEmpty())
        institution = journalInstitutions->value("COD_LPU").toInt();
    dataset.setValue("COD_LPU", institution);
    dataset.setValue("COD_GOS", firstKeyOf(IBQuery9, "COD_GOS"));
    dataset.setValue("COD_TER", firstKeyOf(IBQuery10, "COD_TER"));
}

void TdmV::setAgeFromBirthDate(Dataset& dataset, const QVariant& birthDate) {
    // A cleared birth date clears the age rather than counting from a zero date.
    if (birthDate.isNull())
        dataset.setValue("VOZR", QVariant());
    else
        dataset.setValue("VOZR", data::ageInYears(birthDate.toDate(), data::clock::today()));
}

void TdmV::IssledDAT_RValidate(Dataset& dataset, const QVariant& birthDate) {
    setAgeFromBirthDate(dataset, birthDate);
}

void TdmV::KartaDAT_RValidate(Dataset& dataset, const QVariant& birthDate) {
    setAgeFromBirthDate(dataset, birthDate);
}

void TdmV::IBQuery53AfterScroll(Dataset& dataset) {
    if (CurrentDirectoryKind != 39) return;
    IBQuery55.close();
    IBQuery55.setParam("n_lissl", dataset.value("N_LISSL"));
    IBQuery55.open();
    IBQuery55.last();
    LastCompositionNpp = IBQuery55.isEmpty() ? 0 : IBQuery55.value("NPP").toInt();
    IBQuery55.first();
}

void TdmV::IBQuery55AfterInsert(Dataset& dataset) {
    dataset.setValue("N_LISSL", IBQuery53.value("N_LISSL"));
    dataset.setValue("N_PRLAB", IBQuery54.value("N_PRLAB"));
    LastCompositionNpp = LastCompositionNpp + 1;
    dataset.setValue("NPP", LastCompositionNpp);
}

void TdmV::IBQuery4AfterInsert(Dataset&) {
    // A new department gets no defaults: its institution stays empty.
}
