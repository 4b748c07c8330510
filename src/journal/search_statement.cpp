#include "journal/search_statement.h"

#include <QStringList>

#include "data/field.h"
#include "db/db_error.h"
#include "db/win1251.h"
#include "journal/search_criteria.h"

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

// The values a criterion binds, empty when it is not filled in; throws when a value is not one.
// length is the number of characters the value was typed with.
QVariantList boundValues(const SearchCriterion& criterion, const QVariant& typed, int& length) {
    auto used = [&](const QString& text) {
        return criterion.use == TextUse::AsTyped || criterion.use == TextUse::Capitalised
                   ? text
                   : text.trimmed();
    };
    const bool capitalised = criterion.use == TextUse::Capitalised ||
                             criterion.use == TextUse::TrimmedCapitalised;
    length = 0;
    switch (criterion.control) {
        case CriterionControl::Selector: {
            const int key = typed.isValid() ? typed.toInt() : 0;
            if (key <= 0) return {};
            return {key};
        }
        case CriterionControl::Date: {
            const QVariant date = exactDate(typed.toString(), criterion.fieldName());
            if (!date.isValid()) return {};
            return {date};
        }
        case CriterionControl::Number: {
            const QString text = typed.toString().trimmed();
            length = int(text.size());
            if (text.isEmpty()) return {};
            return {wholeNumber(text, criterion.fieldName())};
        }
        case CriterionControl::NumberRange: {
            const QStringList texts = typed.toStringList();
            QVariantList bounds;
            for (int part = 0; part < 2; ++part) {
                const QString text = texts.value(part).trimmed();
                if (!text.isEmpty()) bounds << wholeNumber(text, criterion.fieldName(part));
            }
            if (bounds.size() < 2) return {};
            return bounds;
        }
        case CriterionControl::FixedList:
            if (!criterion.codes.isEmpty()) {
                const qsizetype index = criterion.items.indexOf(typed.toString());
                if (index < 0) return {};
                return {criterion.codes.value(index)};
            }
            [[fallthrough]];
        case CriterionControl::Text: {
            const QString text = used(typed.toString());
            requireEncodable(text, criterion.fieldName());
            length = int(text.size());
            if (text.isEmpty()) return {};
            return {capitalised ? db::win1251::capitalized(text) : text};
        }
    }
    return {};
}

}  // namespace

SearchStatement searchStatement(const SearchCriteria& c) {
    // Every value is checked before anything is built, so a bad one stops the whole search:
    // the numbers and dates first, then the texts the database must be able to hold.
    const std::vector<SearchCriterion>& all = searchCriteria();
    std::vector<QVariantList> bound(all.size());
    std::vector<int> lengths(all.size(), 0);
    for (const bool texts : {false, true}) {
        for (size_t i = 0; i < all.size(); ++i) {
            const CriterionControl control = all[i].control;
            const bool text =
                control == CriterionControl::Text || control == CriterionControl::FixedList;
            if (text == texts)
                bound[i] = boundValues(all[i], c.values.value(qsizetype(i)), lengths[i]);
        }
    }
    std::vector<std::pair<const SearchCriterion*, QVariantList>> filled;
    // A patient's number or three letters of a surname pick out a few records of the whole
    // register; the period then only filters them, and reading its whole date range from the
    // index would cost more than the rest of the search. Shorter criteria leave both indexes.
    bool fewRecords = false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (bound[i].isEmpty()) continue;
        fewRecords = fewRecords || (all[i].narrowsFrom > 0 && lengths[i] >= all[i].narrowsFrom);
        filled.emplace_back(&all[i], std::move(bound[i]));
    }

    SearchStatement s;
    QStringList lines{QString::fromUtf8(kSelect) +
                      (fewRecords
                           ? QStringLiteral("i.dat_issled+0 between :period_from and :period_to")
                           : QStringLiteral("i.dat_issled between :period_from and :period_to"))};
    s.params.insert("period_from", c.periodFrom);
    s.params.insert("period_to", c.periodTo);
    for (const auto& [criterion, values] : filled) {
        lines << QString::fromUtf8(criterion->line);
        for (qsizetype i = 0; i < values.size(); ++i)
            s.params.insert(criterion->params.value(i), values[i]);
    }
    lines << QString::fromUtf8(kOrder);
    s.sql = lines.join(QLatin1Char('\n'));
    return s;
}
