#include "query/query_lists.h"

#include "db/firebird.h"

namespace query {

namespace {

ValueList readList(db::Transaction& transaction, const QString& sql, const QVariantMap& params) {
    transaction.ensureStarted();
    ValueList list;
    for (const QVector<QVariant>& row : db::queryRows(transaction, sql, params)) {
        list.keys << row.value(0).toString();
        list.names << row.value(1).toString();
    }
    return list;
}

}  // namespace

QString valuesStatement(ValuesOf values) {
    switch (values) {
        case ValuesOf::Types:
            return QStringLiteral(
                "Select distinct s.n_lissl as nn, s.name, s.npp from Issled i, sp_tarvik s Where "
                "i.n_lissl=s.n_lissl Order by s.npp");
        case ValuesOf::Countries:
            return QStringLiteral(
                "Select distinct s.cod_gos as nn, s.name from Issled i, sp_gos s Where "
                "i.cod_gos=s.cod_gos Order by s.name");
        case ValuesOf::Territories:
            return QStringLiteral(
                "Select distinct s.cod_ter as nn, s.name from Issled i, sp_ter s Where "
                "i.cod_ter=s.cod_ter Order by s.name");
        case ValuesOf::Districts:
            return QStringLiteral(
                "Select distinct s.cod_raion as nn, s.name from Issled i, sp_raion s Where "
                "i.cod_raion=s.cod_raion Order by s.name");
        case ValuesOf::Institutions:
            return QStringLiteral(
                "Select distinct s.cod_LPU as nn, s.name from Issled i, sp_LPU s Where "
                "i.cod_lpu=s.cod_lpu Order by s.name");
        case ValuesOf::Departments:
            return QStringLiteral(
                "Select distinct s.cod_otd as nn, s.name from Issled i, sp_otd s Where "
                "i.cod_otd=s.cod_otd Order by s.name");
        case ValuesOf::ExaminationCodes:
            return QStringLiteral(
                "Select distinct s.n_kon as nn, s.COD as name from Issled i, SP_KONTINGENT s "
                "Where i.n_kon=s.n_kon Order by s.cod");
        case ValuesOf::FundingSources:
            return QStringLiteral(
                "Select distinct s.n_ifin as nn, s.name from Issled i, SP_ist_fin s Where "
                "i.n_ifin=s.n_ifin Order by s.name");
        case ValuesOf::Doctors:
            return QStringLiteral(
                "Select distinct s.cod_vr as nn, s.FIO as Name from Issled i, SP_vr s Where "
                "i.cod_vr=s.cod_vr Order by s.fio");
        case ValuesOf::LabAssistants:
            return QStringLiteral(
                "Select distinct s.cod_ms as nn, s.FIO as Name from Issled i, SP_ms s Where "
                "i.cod_ms=s.cod_ms Order by s.fio");
        case ValuesOf::Diagnoses:
            return QStringLiteral(
                "Select distinct 0 as nn, i.diag_cod as Name from Issled i  Where i.diag_cod is "
                "not null Order by i.diag_cod");
    }
    return {};
}

ValueList readValues(db::Transaction& transaction, ValuesOf values) {
    return readList(transaction, valuesStatement(values), {});
}

QString indicatorsStatement(int typeCount) {
    QStringList markers;
    for (int i = 0; i < typeCount; ++i) markers << QStringLiteral(":type%1").arg(i);
    return QStringLiteral(
               "Select s1.n_prlab as nn, s1.name, min(s.npp) as type_npp, min(lp.npp) as npp "
               "from Issled i, sp_tarvik s, SP_PRIZ_LAB_ISSL s1, LAB_ISSL_PRIZ lp, lab_issl_bol l "
               "Where s1.n_prlab=lp.n_prlab and s.n_lissl=lp.n_lissl and i.n_lissl=lp.n_lissl "
               "and l.n_issled=i.n_issled and l.n_prlab=lp.n_prlab and l.result is not null and "
               "i.n_lissl in (") +
           markers.join(u',') + QStringLiteral(") Group by s1.n_prlab, s1.name Order by 3, 4");
}

ValueList readIndicatorsOf(db::Transaction& transaction, const QList<int>& types) {
    if (types.isEmpty()) return {};
    QVariantMap params;
    for (qsizetype i = 0; i < types.size(); ++i)
        params.insert(QStringLiteral("type%1").arg(i), types[i]);
    return readList(transaction, indicatorsStatement(int(types.size())), params);
}

}  // namespace query
