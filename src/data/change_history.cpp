#include "data/change_history.h"

#include <QList>

#include "data/lab_data.h"
#include "data/residence.h"

namespace data {
namespace {

// A column of ISSLED that holds a directory's code: the directory's table, key and the name the
// card shows for it.
struct DirectoryColumn {
    const char* column;
    const char* table;
    const char* key;
    const char* name;
};

const QList<DirectoryColumn>& directoryColumns() {
    static const QList<DirectoryColumn> columns = {
        {"N_LISSL", "SP_TARVIK", "N_LISSL", "NAME"},  {"COD_LPU", "SP_LPU", "COD_LPU", "NAME"},
        {"COD_OTD", "SP_OTD", "COD_OTD", "NAME"},     {"N_IFIN", "SP_IST_FIN", "N_IFIN", "NAME"},
        {"COD_VR", "SP_VR", "COD_VR", "FIO"},         {"COD_MS", "SP_MS", "COD_MS", "FIO"},
        {"N_KON", "SP_KONTINGENT", "N_KON", "COD"},   {"COD_GOS", "SP_GOS", "COD_GOS", "NAME"},
        {"COD_TER", "SP_TER", "COD_TER", "NAME"},     {"COD_RAION", "SP_RAION", "COD_RAION", "NAME"},
    };
    return columns;
}

QString quoted(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// A logged value as the card shows it: a directory's code by its name, the residence by its
// caption; the stored text itself for the rest, and for a code the directory no longer has.
QString shownValue(const QString& value) {
    QString cases;
    for (const DirectoryColumn& c : directoryColumns()) {
        cases += QStringLiteral(" when '%1' then (select d.%2 from %3 d where d.%4 = cast(%5 as "
                                "integer))")
                     .arg(QLatin1String(c.column), QLatin1String(c.name), QLatin1String(c.table),
                          QLatin1String(c.key), value);
    }
    QString residence;
    for (int i = 0; i < residenceCodes().size(); ++i)
        residence += QStringLiteral(" when %1 then %2")
                         .arg(quoted(residenceCodes()[i]), quoted(residenceCaptions()[i]));
    cases += QStringLiteral(" when 'PR_LIVE' then case %1%2 end").arg(value, residence);
    return QStringLiteral("coalesce(case l.FIELD_NAME%1 end, %2)").arg(cases, value);
}

QString fieldCaptionCase() {
    QString cases;
    for (const QString& column : issledColumns())
        cases += QStringLiteral(" when '%1' then %2")
                     .arg(column, quoted(changedFieldCaption(column)));
    return QStringLiteral("case l.FIELD_NAME%1 else l.FIELD_NAME end").arg(cases);
}

// A timestamp as the windows show one to the second: 11.12.2026 09:05:03.
QString timeText(const QString& column) {
    return QStringLiteral("CHANGE_LOG_DATE(cast(%1 as date)) || ' ' || "
                          "substring(cast(cast(%1 as time) as varchar(13)) from 1 for 8)")
        .arg(column);
}

QString timelineSql() {
    return QStringLiteral(
               "select l.N_LOG, %1 as CHANGED_AT, l.USER_NAME, l.WORKSTATION,\n"
               "  case l.OPERATION when 'I' then 'Регистрация' when 'U' then 'Изменение'\n"
               "    else 'Удаление' end as EVENT,\n"
               "  case when l.FIELD_NAME is null\n"
               "    then coalesce(p.NAME, 'Показатель ' || l.N_PRLAB) else %2 end as WHAT,\n"
               "  %3 as OLD_VALUE,\n"
               "  %4 as NEW_VALUE\n"
               "from CHANGE_LOG l left join SP_PRIZ_LAB_ISSL p on p.N_PRLAB = l.N_PRLAB\n"
               "where l.N_ISSLED = :n_issled\n"
               // A transaction's rows share their time and are numbered in their order.
               "order by l.CHANGED_AT desc, l.N_LOG desc")
        .arg(timeText(QStringLiteral("l.CHANGED_AT")), fieldCaptionCase(),
             shownValue(QStringLiteral("l.OLD_VALUE")), shownValue(QStringLiteral("l.NEW_VALUE")));
}

// The value a column held when its record was deleted, from the deletion's own rows.
QString deletedValue(const char* column) {
    return QStringLiteral("(select first 1 v.OLD_VALUE from CHANGE_LOG v where v.N_ISSLED = "
                          "x.N_ISSLED and v.OPERATION = 'D' and v.CHANGED_AT = x.DELETED_AT and "
                          "v.FIELD_NAME = '%1' order by v.N_LOG desc)")
        .arg(QLatin1String(column));
}

QString deletedSql() {
    return QStringLiteral(
               "select x.N_ISSLED, %1 as DELETED_AT, d.USER_NAME, d.WORKSTATION,\n"
               "  trim(coalesce(%2 || ' ', '') || coalesce(%3 || ' ', '') || coalesce(%4, ''))"
               " as PATIENT,\n"
               "  (select t.NAME from SP_TARVIK t where t.N_LISSL = cast(%5 as integer))"
               " as TYPE_NAME,\n"
               "  %6 as SAMPLED\n"
               "from CHANGE_LOG_DELETED x\n"
               "join CHANGE_LOG d on d.N_ISSLED = x.N_ISSLED and d.CHANGED_AT = x.DELETED_AT\n"
               "  and d.OPERATION = 'D' and d.FIELD_NAME = 'N_ISSLED'\n"
               "where x.DELETED_AT >= :deleted_from and x.DELETED_AT < :deleted_before\n"
               "order by x.DELETED_AT desc, x.N_ISSLED")
        .arg(timeText(QStringLiteral("x.DELETED_AT")), deletedValue("FAM"), deletedValue("IMJA"),
             deletedValue("OTCH"), deletedValue("N_LISSL"), deletedValue("DAT_ISSLED"));
}

}  // namespace

QString changedFieldCaption(const QString& column) {
    // The record's own key, which the card does not show, is named as the log's reader knows it.
    if (column == QLatin1String("N_ISSLED")) return QStringLiteral("Номер записи");
    const QString label = cardFieldLabel(column);
    return label.isEmpty() ? column : label;
}

ChangeHistory::ChangeHistory(db::Connection& connection)
    : timelineSnapshot(connection, {db::Isolation::Snapshot, db::Access::ReadOnly}),
      deletedSnapshot(connection, {db::Isolation::Snapshot, db::Access::ReadOnly}),
      timeline(timelineSnapshot, QStringLiteral("changeTimeline")),
      deleted(deletedSnapshot, QStringLiteral("deletedInvestigations")),
      timelineSource(&timeline, QStringLiteral("changeTimelineSource")),
      deletedSource(&deleted, QStringLiteral("deletedInvestigationsSource")) {
    timeline.setSql(timelineSql());
    timeline.declareFields({{"N_LOG", {}, false},
                            {"CHANGED_AT", QStringLiteral("Дата и время"), true, 21},
                            {"USER_NAME", QStringLiteral("Пользователь"), true, 14},
                            {"WORKSTATION", QStringLiteral("Рабочая станция"), true, 24},
                            {"EVENT", QStringLiteral("Событие"), true, 12},
                            {"WHAT", QStringLiteral("Что изменено"), true, 22},
                            {"OLD_VALUE", QStringLiteral("Было"), true, 20},
                            {"NEW_VALUE", QStringLiteral("Стало"), true, 20}});
    deleted.setSql(deletedSql());
    deleted.declareFields({{"N_ISSLED", {}, false},
                           {"DELETED_AT", QStringLiteral("Удалено"), true, 21},
                           {"USER_NAME", QStringLiteral("Пользователь"), true, 14},
                           {"WORKSTATION", QStringLiteral("Рабочая станция"), true, 24},
                           {"PATIENT", QStringLiteral("Пациент"), true, 30},
                           {"TYPE_NAME", QStringLiteral("Вид исследования"), true, 22},
                           {"SAMPLED", QStringLiteral("Дата взятия ан."), true, 13}});
}

namespace {
// What a list shows is read in a snapshot taken now.
void readAfresh(Dataset& list, db::Transaction& snapshot) {
    list.close();
    if (snapshot.isActive()) snapshot.commit();
}
}  // namespace

void ChangeHistory::readTimeline(int investigationKey) {
    readAfresh(timeline, timelineSnapshot);
    timeline.setParam(QStringLiteral("n_issled"), investigationKey);
    timeline.open();
}

void ChangeHistory::readDeleted(const QDate& from, const QDate& to) {
    readAfresh(deleted, deletedSnapshot);
    deleted.setParam(QStringLiteral("deleted_from"), QDateTime(from, QTime(0, 0)));
    deleted.setParam(QStringLiteral("deleted_before"), QDateTime(to.addDays(1), QTime(0, 0)));
    deleted.open();
}

QString ChangeHistory::patientOf(int investigationKey) {
    const auto rows = db::queryRows(
        timelineSnapshot,
        QStringLiteral("select l.FIELD_NAME, case l.OPERATION when 'D' then l.OLD_VALUE else l.NEW_VALUE end "
                       "from CHANGE_LOG l "
                       "where l.N_ISSLED = :n_issled and l.FIELD_NAME in ('FAM', 'IMJA', 'OTCH') "
                       "order by l.CHANGED_AT, l.N_LOG"),
        {{QStringLiteral("n_issled"), investigationKey}});
    QString parts[3];
    for (const QVector<QVariant>& row : rows) {
        const QString field = row[0].toString();
        const int at = field == QLatin1String("FAM") ? 0 : field == QLatin1String("IMJA") ? 1 : 2;
        parts[at] = row[1].toString();
    }
    QStringList named;
    for (const QString& part : parts)
        if (!part.isEmpty()) named << part;
    return named.join(u' ');
}

}  // namespace data
