#include "data/overview.h"

namespace data {

namespace {

// The investigations of the selection; the institution and the type bound as 0 for all of them.
const char* const kSelected =
    "i.dat_issled between :d1 and :d2 and (:lpu = 0 or i.cod_lpu = :lpu) and "
    "(:n_lissl = 0 or i.n_lissl = :n_lissl)";

// The Monday of a sampling date's week (Firebird counts the week's days from Sunday, 0).
const char* const kWeekStart =
    "dateadd(-mod(extract(weekday from i.dat_issled) + 6, 7) day to i.dat_issled)";

QString withSelection(QString sql) {
    return sql.replace(QLatin1String("<selected>"), QLatin1String(kSelected))
        .replace(QLatin1String("<week start>"), QLatin1String(kWeekStart));
}

// The p-th percentile of a group's days, interpolated between the two nearest ranks of its
// N values (h = (N - 1) p, ranks floor(h) + 1 and floor(h) + 2), read from its histogram: each
// row holds one number of days, how many values have it (C) and how many have it or fewer (CUM),
// so the value of rank k is the days of the row where CUM - C < k <= CUM. One row may hold both
// ranks. NULL for a group without days.
QString percentile(const char* p) {
    const QString h = QStringLiteral("((n - 1) * %1e0)").arg(QLatin1String(p));
    const QString lower = QStringLiteral("(floor(%1) + 1)").arg(h);
    const QString upper = QStringLiteral("(floor(%1) + 2)").arg(h);
    const QString holds = QStringLiteral("(cum - c < %1 and %1 <= cum)");
    const QString share = QStringLiteral("(%1 - floor(%1))").arg(h);
    return QStringLiteral(
               "cast(sum(case when fault = 0 and (%1 or %2) then days * (case when %1 then 1 - "
               "%3 else 0 end + case when %2 then %3 else 0 end) end) as numeric(9, 1))")
        .arg(holds.arg(lower), holds.arg(upper), share);
}

}  // namespace

const QStringList& positiveAnswerMarks() {
    static const QStringList marks = {QStringLiteral("полож"), QStringLiteral("+")};
    return marks;
}

Overview::Overview(db::Connection& connection)
    : snapshot(connection, db::kReadOnlySnapshot),
      workload(snapshot, QStringLiteral("overviewWorkload")),
      turnaround(snapshot, QStringLiteral("overviewTurnaround")),
      staff(snapshot, QStringLiteral("overviewStaff")),
      positivity(snapshot, QStringLiteral("overviewPositivity")),
      workloadSource(&workload, QStringLiteral("overviewWorkloadSource")),
      turnaroundSource(&turnaround, QStringLiteral("overviewTurnaroundSource")),
      staffSource(&staff, QStringLiteral("overviewStaffSource")),
      positivitySource(&positivity, QStringLiteral("overviewPositivitySource")) {
    // Only the workload's statement changes with the selection (per day or per week).
    turnaround.setSql(turnaroundStatement());
    staff.setSql(staffStatement());
    positivity.setSql(positivityStatement());
    positivity.setParam("mark1", positiveAnswerMarks().value(0));
    positivity.setParam("mark2", positiveAnswerMarks().value(1));
    turnaround.declareFields(
        {{"TYPE_NAME", QStringLiteral("Вид исследования"), true, 0, true},
         {"MEASURE", {}, false, 0, true},
         {"MEASURE_NAME", QStringLiteral("Интервал"), true, 0, true},
         {"MEASURED", QStringLiteral("Записей"), true, 0, true},
         {"MEDIAN_DAYS", QStringLiteral("Медиана, дней"), true, 0, true},
         {"P90_DAYS", QStringLiteral("90-й процентиль, дней"), true, 0, true},
         {"NO_DATA", QStringLiteral("нет данных"), true, 0, true},
         {"DATE_ERROR", QStringLiteral("ошибка дат"), true, 0, true}});
    staff.declareFields({{"ROLE", QStringLiteral("Должность"), true, 0, true},
                         {"PERSON", QStringLiteral("Сотрудник"), true, 0, true},
                         {"RESULTS", QStringLiteral("Результатов"), true, 0, true},
                         {"MINUTES", QStringLiteral("Минут по нормам"), true, 0, true}});
    positivity.declareFields(
        {{"WEEK_START", QStringLiteral("Неделя с"), true, 0, true},
         {"ANSWER", QStringLiteral("Ответ"), true, 0, true},
         {"POSITIVE", {}, false, 0, true},
         {"ANSWERS", QStringLiteral("Количество"), true, 0, true},
         {"POSITIVE_SHARE", QStringLiteral("Положительных за неделю, %"), true, 0, true}});
}

QString Overview::workloadStatement(bool weekly) {
    return withSelection(
        QStringLiteral("select period_start, type_npp, type_name, count(*) as investigations "
                       "from (select %1 as period_start, t.npp as type_npp, coalesce(t.name, "
                       "'Без вида исследования') as type_name from issled i left join sp_tarvik "
                       "t on t.n_lissl = i.n_lissl where <selected>) group by 1, 2, 3 order by "
                       "1, 2 nulls last, 3")
            .arg(weekly ? QStringLiteral("<week start>") : QStringLiteral("i.dat_issled")));
}

QString Overview::turnaroundStatement() {
    // Each investigation's two intervals are counted by their days first: the few rows of that
    // histogram, not the period's records, are then ranked for the percentiles.
    return withSelection(
        QStringLiteral(
            "with intervals as (select i.n_lissl as type, m.measure, case m.measure when 1 then "
            "i.dat_issled else i.dat_dostav end as d_from, case m.measure when 1 then "
            "i.dat_dostav else i.dat_rezult end as d_to from issled i cross join (select 1 as "
            "measure from rdb$database union all select 2 from rdb$database) m where "
            "<selected>), "
            "histogram as (select type, measure, fault, days, count(*) as c from (select type, "
            "measure, case when d_from is null or d_to is null then 1 when d_to < d_from then 2 "
            "else 0 end as fault, case when d_to >= d_from then datediff(day from d_from to "
            "d_to) end as days from intervals) group by 1, 2, 3, 4), "
            "ranked as (select type, measure, fault, days, c, sum(c) over (partition by type, "
            "measure, fault order by days) as cum, sum(c) over (partition by type, measure, "
            "fault) as n from histogram) "
            "select coalesce(t.name, 'Без вида исследования') as type_name, r.measure, case "
            "r.measure when 1 then 'от взятия до доставки' else 'от доставки до результата' end as "
            "measure_name, sum(case when r.fault = 0 then r.c else 0 end) as measured, %1 as "
            "median_days, %2 as p90_days, sum(case when r.fault = 1 then r.c else 0 end) as "
            "no_data, sum(case when r.fault = 2 then r.c else 0 end) as date_error from ranked r "
            "left join sp_tarvik t on t.n_lissl = r.type group by t.npp, 1, 2, 3 order by t.npp "
            "nulls last, 1, 2")
            .arg(percentile("0.5"), percentile("0.9")));
}

QString Overview::staffStatement() {
    // The results are counted once, per assistant, doctor and indicator, and only those few
    // rows meet the norms and the names, once for each role. The period's investigations lead
    // and their results follow through the foreign key's index: "+ 0" leaves the optimizer no
    // way to start from the results, which with a register's stale figures it would read whole.
    return withSelection(QStringLiteral(
        "select role, person, sum(results) as results, sum(minutes) as minutes from (select "
        "r.role_order, case r.role_order when 1 then 'Лаборант' else 'Врач' end as role, "
        "coalesce(case r.role_order when 1 then ms.fio else v.fio end, 'не указан') as person, "
        "a.results, a.results * case r.role_order when 1 then sp.norma_time_ms else "
        "sp.norma_time end as minutes from (select i.cod_ms, i.cod_vr, b.n_prlab, b.n_lissl, "
        "count(*) as results from issled i join lab_issl_bol b on b.n_issled = i.n_issled + 0 "
        "where "
        "<selected> and b.result is not null group by 1, 2, 3, 4) a join sp_priz_lab_issl sp on "
        "sp.n_prlab = a.n_prlab join lab_issl_priz pr on pr.n_prlab = a.n_prlab and pr.n_lissl "
        "= a.n_lissl cross join (select 1 as role_order from rdb$database union all select 2 "
        "from rdb$database) r left join sp_ms ms on ms.cod_ms = a.cod_ms left join sp_vr v on "
        "v.cod_vr = a.cod_vr) group by role_order, role, person order by role_order, 3 desc, "
        "person"));
}

QString Overview::positivityStatement() {
    // The results are grouped by week and text first; only the few groups are then told apart
    // into answers and marked positive. The investigations lead, as in the staff's statement.
    return withSelection(QStringLiteral(
        "select week_start, answer, positive, answers, cast(100e0 * sum(positive * answers) "
        "over (partition by week_start) / sum(answers) over (partition by week_start) as "
        "numeric(5, 1)) as positive_share from (select week_start, answer, case when answer "
        "containing :mark1 or answer containing :mark2 then 1 else 0 end as positive, answers "
        "from (select week_start, answer, count(*) as answers from (select <week start> as "
        "week_start, lower(trim(b.result)) as answer from issled i join lab_issl_bol b on "
        "b.n_issled = i.n_issled + 0 where <selected> and b.result is not null) group by 1, 2) "
        "where answer <> '' and not (answer similar to '%[0-9]%')) order by week_start, "
        "positive desc, answer"));
}

void Overview::read(const OverviewSelection& selection) {
    close();
    snapshot.ensureStarted();
    workload.setSql(workloadStatement(selection.weekly()));
    workload.declareFields(
        {{"PERIOD_START", selection.weekly() ? QStringLiteral("Неделя с") : QStringLiteral("Дата"),
          true, 0, true},
         {"TYPE_NPP", {}, false, 0, true},
         {"TYPE_NAME", QStringLiteral("Вид исследования"), true, 0, true},
         {"INVESTIGATIONS", QStringLiteral("Исследований"), true, 0, true}});
    for (Dataset* panel : {&workload, &turnaround, &staff, &positivity}) {
        panel->setParam("d1", selection.from);
        panel->setParam("d2", selection.to);
        panel->setParam("lpu", selection.institution);
        panel->setParam("n_lissl", selection.type);
    }
    try {
        for (Dataset* panel : {&workload, &turnaround, &staff, &positivity}) panel->open();
    } catch (...) {
        close();
        throw;
    }
}

void Overview::close() {
    for (Dataset* panel : {&workload, &turnaround, &staff, &positivity}) panel->close();
    if (snapshot.isActive()) snapshot.commit();
}

}  // namespace data
