#include "journal/search_statement.h"

#include <QStringList>

#include "data/field.h"
#include "data/residence.h"
#include "db/db_error.h"
#include "db/win1251.h"

namespace {

const char* const kSelect =
    "Select i.*, lpu.Name as LPU,otd.Name as OTD,li.name as Issl,g.name as Gos,t.name as "
    "Ter,r.name as Raion,f.name as fin,v.fio as VRACH,ms.fio as MedSes,k.Cod as COD_OBSL from "
    "Issled i left join sp_tarvik li on i.n_lissl=li.n_lissl left join sp_lpu lpu on "
    "i.cod_lpu=lpu.cod_lpu left join sp_otd otd on i.cod_otd=otd.cod_otd left join sp_Gos g on "
    "i.cod_gos=g.cod_gos left join sp_Ter t on i.cod_ter=t.cod_ter left join sp_Raion r on "
    "i.cod_raion=r.cod_raion left join sp_ist_fin f on i.n_ifin=f.n_ifin left join sp_vr v on "
    "i.cod_vr=v.cod_vr left join sp_ms ms on i.cod_ms=ms.cod_ms left join sp_kontingent k on "
    "i.n_kon=k.n_kon  Where 1=1   and ";

// Records of one type, institution and name come in the order they were registered.
const char* const kOrder = " order by li.name,lpu.name,i.fam,i.imja,i.otch,i.n_issled";

int wholeNumber(const QString& text, const QString& field) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        throw db::DbError(QStringLiteral("В поле «%1» должно быть целое число, а введено «%2».")
                              .arg(field, text.trimmed()));
    return n;
}

// A date edit: empty (only its mask) is no criterion; anything else must be a whole date.
QVariant exactDate(const QString& text, const QString& field) {
    QString digits = text;
    digits.remove(QLatin1Char('.')).remove(QLatin1Char('_')).remove(QLatin1Char(' '));
    if (digits.isEmpty()) return {};
    const QDate date = QDate::fromString(text.trimmed(), data::kDateFormat);
    if (!date.isValid())
        throw db::DbError(
            QStringLiteral("В поле «%1» должна быть дата вида 10.12.2026, а введено «%2».")
                .arg(field, text.trimmed()));
    return date;
}

// A text the database cannot hold matches no record and cannot even be sent: the search stops
// and says which criterion holds what.
void requireEncodable(const QString& text, const QString& field) {
    const QString outside = db::win1251::charactersOutside(text);
    if (!outside.isEmpty())
        throw db::DbError(QStringLiteral("Поле «%1» содержит символы, которых нет в кодировке "
                                         "базы данных: %2")
                              .arg(field, outside));
}

}  // namespace

SearchStatement searchStatement(const SearchCriteria& c) {
    // Every text is checked before anything is built, so a bad one stops the whole search.
    const QString uniqueNumber = c.uniqueNumber.trimmed();
    const QString cardNumber = c.cardNumber.trimmed();
    const QString surname = c.surname.trimmed();
    const QString firstName = c.firstName.trimmed();
    const QString patronymic = c.patronymic.trimmed();
    const QVariant nom =
        uniqueNumber.isEmpty() ? QVariant() : wholeNumber(uniqueNumber, QStringLiteral("Уник. №"));
    const QString ageFromText = c.ageFrom.trimmed();
    const QString ageToText = c.ageTo.trimmed();
    const QVariant ageFrom =
        ageFromText.isEmpty() ? QVariant() : wholeNumber(ageFromText, QStringLiteral("Возраст от"));
    const QVariant ageTo =
        ageToText.isEmpty() ? QVariant() : wholeNumber(ageToText, QStringLiteral("Возраст до"));
    const QVariant samplingDate = exactDate(c.samplingDate, QStringLiteral("Дата взятия ан."));
    const QVariant deliveryDate = exactDate(c.deliveryDate, QStringLiteral("Дата доставки"));
    const QVariant resultDate = exactDate(c.resultDate, QStringLiteral("Дата результ."));
    requireEncodable(cardNumber, QStringLiteral("Карта  №"));
    requireEncodable(surname, QStringLiteral("Фамилия"));
    requireEncodable(firstName, QStringLiteral("Имя"));
    requireEncodable(patronymic, QStringLiteral("Отчество"));
    requireEncodable(c.sex, QStringLiteral("Пол"));
    requireEncodable(c.diagnosis, QStringLiteral("Диагноз МКБ"));

    SearchStatement s;
    // A patient's number or three letters of a surname pick out a few records of the whole
    // register; the period then only filters them, and reading its whole date range from the
    // index would cost more than the rest of the search. Shorter criteria leave both indexes.
    const bool fewRecords = nom.isValid() || !cardNumber.isEmpty() || surname.size() >= 3;
    QStringList lines{QString::fromUtf8(kSelect) +
                      (fewRecords
                           ? QStringLiteral("i.dat_issled+0 between :period_from and :period_to")
                           : QStringLiteral("i.dat_issled between :period_from and :period_to"))};
    s.params.insert("period_from", c.periodFrom);
    s.params.insert("period_to", c.periodTo);
    auto add = [&](const char* line, const char* param, const QVariant& value) {
        lines << QString::fromUtf8(line);
        s.params.insert(QString::fromLatin1(param), value);
    };
    auto key = [&](int value, const char* line, const char* param) {
        if (value > 0) add(line, param, value);
    };

    key(c.type, " and i.n_lissl=:n_lissl", "n_lissl");
    if (nom.isValid()) add(" and  i.nom=:nom", "nom", nom);
    if (!cardNumber.isEmpty()) add(" and  i.nom_kart=:nom_kart", "nom_kart", cardNumber);
    // Names match whatever their case; each one's index is on its upper-case form.
    if (!surname.isEmpty())
        add(" and  (upper(i.fam) starting with upper(:fam))", "fam",
            db::win1251::capitalized(surname));
    if (!firstName.isEmpty())
        add(" and  upper(i.imja) starting with upper(:imja)", "imja",
            db::win1251::capitalized(firstName));
    if (!patronymic.isEmpty())
        add(" and  upper(i.otch) starting with upper(:otch)", "otch",
            db::win1251::capitalized(patronymic));
    if (!c.sex.isEmpty()) add(" and i.pol=:pol", "pol", c.sex);
    if (ageFrom.isValid() && ageTo.isValid()) {
        lines << QStringLiteral(" and i.vozr between :age_from and :age_to");
        s.params.insert("age_from", ageFrom);
        s.params.insert("age_to", ageTo);
    }
    key(c.country, " and i.cod_gos=:cod_gos", "cod_gos");
    const int residence = data::residenceCaptions().indexOf(c.residence);
    if (residence >= 0)
        add(" and i.pr_live=:pr_live", "pr_live", data::residenceCodes()[residence]);
    key(c.territory, " and i.cod_ter=:cod_ter", "cod_ter");
    key(c.district, " and i.cod_raion=:cod_raion", "cod_raion");
    key(c.institution, " and i.cod_lpu=:cod_lpu", "cod_lpu");
    key(c.department, " and i.cod_otd=:cod_otd", "cod_otd");
    key(c.examinationCode, " and i.n_kon=:n_kon", "n_kon");
    key(c.fundingSource, " and i.n_ifin=:n_ifin", "n_ifin");
    if (samplingDate.isValid()) add(" and i.dat_issled=:dat_issled", "dat_issled", samplingDate);
    if (deliveryDate.isValid()) add(" and i.dat_dostav=:dat_dostav", "dat_dostav", deliveryDate);
    if (resultDate.isValid()) add(" and i.dat_rezult=:dat_rezult", "dat_rezult", resultDate);
    key(c.doctor, " and i.cod_vr=:cod_vr", "cod_vr");
    key(c.labAssistant, " and i.cod_ms=:cod_ms", "cod_ms");
    if (!c.diagnosis.isEmpty())
        add(" and  (i.diag_cod starting with :diag_cod)", "diag_cod",
            db::win1251::capitalized(c.diagnosis));
    lines << QString::fromUtf8(kOrder);
    s.sql = lines.join(QLatin1Char('\n'));
    return s;
}
