#include "query/query_text.h"

#include <QRegularExpression>
#include <algorithm>

#include "data/field.h"
#include "db/win1251.h"

namespace query {

namespace {

const QString countBase = QStringLiteral(
    "Select s.Name as \"Исследование\", s1.Name as \"Показатель\", count(*) as \"Количество\"  "
    "from issled isl join sp_tarvik s on isl.n_lissl=s.n_lissl join lab_issl_priz lp on "
    "isl.n_lissl=lp.n_lissl join sp_priz_lab_issl s1 on s1.n_prlab=lp.n_prlab join lab_issl_bol "
    "b on b.n_issled=isl.n_issled and b.n_prlab=lp.n_prlab ");
const QString resultsBase = QStringLiteral(
    "Select s.Name as \"Исследование\", s1.Name as \"Показатель\", b.result as \"Результат\", "
    "count(*) as \"Количество\"  from issled isl join sp_tarvik s on isl.n_lissl=s.n_lissl join "
    "lab_issl_priz lp on isl.n_lissl=lp.n_lissl join sp_priz_lab_issl s1 on "
    "s1.n_prlab=lp.n_prlab join lab_issl_bol b on b.n_issled=isl.n_issled and "
    "b.n_prlab=lp.n_prlab ");

// 'A','O''Brien': each name between apostrophes, an apostrophe inside doubled.
QString quotedNames(const QStringList& names) {
    QStringList quoted;
    for (QString name : names) quoted << "'" + name.replace("'", "''") + "'";
    return quoted.join(',');
}

QString keyList(const QList<int>& keys) {
    QStringList texts;
    for (int key : keys) texts << QString::number(key);
    return texts.join(',');
}

// The age condition: exact completed years on the reference day.
QString ageCondition(const Age& age) {
    const QString day = "cast('" + dateLiteral(age.reference) + "' as date)";
    const QString atLeast =
        " isl.dat_r <= dateadd(-" + QString::number(age.years) + " year to " + day + ")";
    const QString atMost =
        " isl.dat_r > dateadd(-" + QString::number(age.years + 1) + " year to " + day + ")";
    switch (age.comparison) {
        case AgeComparison::AtLeast:
            return atLeast;
        case AgeComparison::AtMost:
            return atMost;
        case AgeComparison::Exactly:
            return atLeast + " and" + atMost;
    }
    return {};
}

struct Fragments {
    QString where;
    QString join;
};

// A criterion of names: its condition on a joined directory's column, and the join.
void nameCriterion(QList<Fragments>& out, const std::optional<QStringList>& names,
                   const QString& column, const QString& join) {
    if (!names) return;
    Fragments f;
    if (!names->isEmpty()) f.where = "  " + column + " in (" + quotedNames(*names) + ")";
    f.join = join;
    out << f;
}

}  // namespace

QString dateLiteral(const QDate& date) {
    return date.toString(data::kDateFormat);
}

QStringList statementLines(const Criteria& c) {
    // The fragments in the order of the criteria list.
    QList<Fragments> fragments;
    if (c.period)
        fragments << Fragments{" isl.dat_rezult between '" + dateLiteral(c.period->from) +
                                   "' and '" + dateLiteral(c.period->to) + "'",
                               {}};
    if (c.types && !c.types->types.isEmpty()) {
        QString where = "  isl.n_lissl in (" + keyList(c.types->types) + ")";
        if (!c.types->indicators.isEmpty())
            where += "  and b.n_prlab in (" + keyList(c.types->indicators) + ")";
        fragments << Fragments{where, {}};
    }
    if (c.sexes && c.sexes->male != c.sexes->female)
        fragments << Fragments{c.sexes->male ? QStringLiteral(" (isl.pol='М' or isl.pol='м')")
                                             : QStringLiteral(" (isl.pol='Ж' or isl.pol='ж')"),
                               {}};
    if (c.age) fragments << Fragments{ageCondition(*c.age), {}};
    nameCriterion(fragments, c.countries, "sst.name",
                  " join sp_gos sst on isl.cod_gos=sst.cod_gos");
    if (c.residence && !c.residence->isEmpty()) {
        QStringList codes;
        for (int position = 0; position <= 4; ++position)
            if (c.residence->contains(position)) codes << "'" + QString::number(position) + "'";
        fragments << Fragments{"  isl.pr_live in (" + codes.join(',') + ")", {}};
    }
    nameCriterion(fragments, c.territories, "ter.name",
                  " join sp_ter ter on isl.cod_ter=ter.cod_ter");
    nameCriterion(fragments, c.districts, "rai.name",
                  " join sp_raion rai on isl.cod_raion=rai.cod_raion");
    nameCriterion(fragments, c.institutions, "lpu.name",
                  " join sp_lpu lpu on isl.cod_lpu=lpu.cod_lpu");
    nameCriterion(fragments, c.departments, "otd.name",
                  " join sp_otd otd on isl.cod_otd=otd.cod_otd");
    nameCriterion(fragments, c.examinationCodes, "k.COD",
                  " join sp_kontingent k on isl.n_kon=k.n_kon");
    nameCriterion(fragments, c.fundingSources, "fin.name",
                  " join sp_ist_fin fin on isl.n_ifin=fin.n_ifin");
    nameCriterion(fragments, c.doctors, "v.fio", " join sp_vr v on isl.cod_vr=v.cod_vr");
    nameCriterion(fragments, c.labAssistants, "ms.fio", " join sp_ms ms on isl.cod_ms=ms.cod_ms");
    nameCriterion(fragments, c.diagnoses, "isl.diag_cod", {});

    QStringList lines;
    lines << (c.mode == Mode::Count ? countBase : resultsBase);
    for (const Fragments& f : fragments)
        if (!f.join.isEmpty()) lines << " " + f.join + " ";
    lines << QStringLiteral(" Where b.result is not null");
    for (const Fragments& f : fragments)
        if (!f.where.isEmpty()) lines << " and " + f.where + " ";
    if (c.mode == Mode::Count)
        lines << QStringLiteral(" Group by s.name,s1.name")
              << QStringLiteral(" order by s.name,s1.name");
    else
        lines << QStringLiteral(" Group by s.name,s1.name, b.result")
              << QStringLiteral(" order by s.name,s1.name, b.result");
    return lines;
}

QString orderClause(const QList<SortColumn>& columns) {
    static const QList<std::pair<QString, QString>> special = {{"KAT", "kat.name"},
                                                               {"STRAX", "f.name"},
                                                               {"LGOT", "l.name"},
                                                               {"RAI", "r.name"},
                                                               {"LPU", "lpu.name"}};
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    QString order;
    for (const SortColumn& column : columns) {
        QString expression;
        bool isSpecial = false;
        for (const auto& [field, name] : special)
            if (column.field == field) {
                expression = name;
                isSpecial = true;
            }
        if (!isSpecial)
            expression = plain.match(column.field).hasMatch()
                             ? column.field
                             : "\"" + QString(column.field).replace("\"", "\"\"") + "\"";
        if (column.ascending)
            order += expression + ", ";
        else
            order += isSpecial ? expression + " desc, " : expression + " DESC , ";
    }
    if (order.isEmpty()) return {};
    order.chop(2);
    return " ORDER BY " + order;
}

QStringList sortedLines(const QStringList& lines, const QList<SortColumn>& columns) {
    static const QRegularExpression orderLine(QStringLiteral("^\\s*order\\s+by\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList sorted = lines;
    if (!sorted.isEmpty() && orderLine.match(sorted.last()).hasMatch()) sorted.removeLast();
    const QString clause = orderClause(columns);
    if (!clause.isEmpty()) sorted << clause;
    return sorted;
}

namespace {

// The text with its literals ('…', q'{…}'), quoted names and comments blanked, positions kept.
QString codeOnly(const QString& sql) {
    QString code = sql;
    const auto blank = [&](qsizetype from, qsizetype to) {
        for (qsizetype k = from; k < std::min(to, code.size()); ++k) code[k] = u' ';
    };
    const auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    for (qsizetype i = 0; i < code.size();) {
        const QChar c = code[i];
        if ((c == u'q' || c == u'Q') && i + 2 < code.size() && code[i + 1] == u'\'' &&
            (i == 0 || !wordChar(code[i - 1]))) {
            // A literal with its own delimiters: q'{…}', q'<…>', q'!…!'.
            const QChar open = code[i + 2];
            const QChar close = open == u'(' ? u')' : open == u'{' ? u'}' : open == u'[' ? u']'
                                : open == u'<' ? u'>' : open;
            const qsizetype found = code.indexOf(QString(close) + u'\'', i + 3);
            const qsizetype end = found < 0 ? code.size() : found + 2;
            blank(i, end);
            i = end;
        } else if (c == u'\'' || c == u'"') {
            qsizetype end = i + 1;
            while (end < code.size()) {
                if (code[end] == c) {
                    if (end + 1 < code.size() && code[end + 1] == c) {
                        end += 2;  // a doubled quote stays inside
                        continue;
                    }
                    break;
                }
                ++end;
            }
            blank(i, end + 1);
            i = end + 1;
        } else if (c == u'-' && i + 1 < code.size() && code[i + 1] == u'-') {
            qsizetype end = code.indexOf(u'\n', i);
            if (end < 0) end = code.size();
            blank(i, end);
            i = end;
        } else if (c == u'/' && i + 1 < code.size() && code[i + 1] == u'*') {
            qsizetype end = code.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? code.size() : end + 2;
            blank(i, end);
            i = end;
        } else {
            ++i;
        }
    }
    return code;
}

}  // namespace

QString firstKeyword(const QString& sql) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z_]+"));
    const QRegularExpressionMatch m = word.match(codeOnly(sql));
    return m.hasMatch() ? m.captured().toUpper() : QString();
}

QString generatorCall(const QString& sql) {
    const QString code = codeOnly(sql);
    static const QRegularExpression call(
        QStringLiteral("(?<![\\w$])(GEN_ID\\s*\\(|NEXT\\s+VALUE\\s+FOR(?![\\w$]))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch m = call.match(code);
    if (!m.hasMatch()) return {};
    QString found = sql.mid(m.capturedStart(), m.capturedLength());
    if (found.endsWith(u'(')) found.chop(1);
    return found.simplified();
}

QByteArray fileText(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) bytes += db::win1251::encode(line) + "\r\n";
    return bytes;
}

QStringList linesOfFile(const QByteArray& bytes) {
    QStringList lines = db::win1251::decode(bytes).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

}  // namespace query
