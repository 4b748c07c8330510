#include "reports/journal_reports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "data/dataset.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "db/decimal.h"
#include "reports/issuing.h"
#include "reports/office/office.h"

namespace reports {

namespace {

// What each report lists of a record after its key, in the order of the document's columns.
const QList<RecordColumn>& journalColumns() {
    static const QList<RecordColumn> columns = {
        {"lpu.Name as LPU", Joined::Institution}, {"otd.Name as OTD", Joined::Department},
        {"i.nom"}, {"i.fam"}, {"i.imja"}, {"i.otch"}, {"i.dat_r"}, {"i.dat_issled"},
        {"i.dat_dostav"}, {"i.dat_rezult"}, {"v.fio as VRACH", Joined::Doctor}};
    return columns;
}

const QList<RecordColumn>& shortReportColumns() {
    static const QList<RecordColumn> columns = {
        {"i.npp"}, {"lpu.Name as LPU", Joined::Institution},
        {"otd.Name as OTD", Joined::Department}, {"i.nom"}, {"i.fam"}, {"i.imja"}, {"i.otch"},
        {"i.dat_issled"}, {"i.dat_dostav"}, {"i.dat_rezult"}, {"v.fio as VRACH", Joined::Doctor}};
    return columns;
}

const QList<RecordColumn>& fullReportColumns() {
    static const QList<RecordColumn> columns = {
        {"i.npp"},
        {"lpu.Name as LPU", Joined::Institution},
        {"otd.Name as OTD", Joined::Department},
        {"i.nom"},
        {"i.nom_kart"},
        {"i.fam"},
        {"i.imja"},
        {"i.otch"},
        {"i.pol"},
        {"i.dat_r"},
        {"i.vozr"},
        {"case i.pr_live when '0' then 'города' when '1' then 'области' when '2' then "
         "'неизвестно' when '3' then 'иногородний'  when '4' then 'иностранный гражд.' else '' "
         "end as live"},
        {"g.name as gos", Joined::Country},
        {"t.name as ter", Joined::Territory},
        {"r.name as raion", Joined::District},
        {"i.nas_punkt"},
        {"i.adres"},
        {"k.Cod as COD_OBSL", Joined::ExaminationCode},
        {"i.snils"},
        {"i.nom_pol"},
        {"i.diag_cod"},
        {"i.dat_issled"},
        {"i.dat_dostav"},
        {"i.dat_rezult"},
        {"f.name as fin", Joined::FundingSource},
        {"v.fio as VRACH", Joined::Doctor}};
    return columns;
}

const QList<RecordColumn>& namedReportColumns(NamedReportKind kind) {
    return kind == NamedReportKind::Short ? shortReportColumns() : fullReportColumns();
}

const char* const kPeriodReportSql =
    "Select sp.name,sp.ed_izm,pr.npp,count(*) as kol,sum(sp.norma_time) as Vr,"
    "sum(sp.norma_time_ms) as MS from lab_Issl_bol b join Issled i on b.n_issled=i.n_issled join "
    "sp_tarvik sl on b.n_lissl=sl.n_lissl join sp_priz_lab_issl sp on b.n_prlab=sp.n_prlab join "
    "lab_issl_priz pr on b.n_prlab=pr.n_prlab Where i.dat_issled between :d1 and :d2   and "
    "b.n_lissl=:n_lissl   and b.result is not null   and pr.n_lissl=:n_lissl Group by "
    "sp.name,sp.ed_izm,pr.npp Order by pr.npp";

QString dateText(const QDate& date) {
    return date.toString(data::kDateFormat);
}

// A count of hundredths written shortest, with the decimal comma: 4500 → "45", 750 → "7,5".
QString hundredthsText(qint64 hundredths) {
    QString text = QString::number(hundredths / 100);
    const qint64 fraction = hundredths % 100;
    if (fraction != 0) {
        text += QLatin1Char(',') + QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (text.endsWith(QLatin1Char('0'))) text.chop(1);
    }
    return text;
}

// The first letter and its point; an empty text gives the point alone.
QString initial(const QString& text) {
    return text.left(1) + QLatin1Char('.');
}

}  // namespace

QString shortName(const QString& surname, const QString& firstName, const QString& patronymic) {
    return surname + QLatin1Char(' ') + initial(firstName) + initial(patronymic);
}

void fillResultsJournal(office::TextDocument& document, const JournalSelection& selection,
                        const PeriodRecords& period) {
    document.setLandscape();
    document.setFont(10, true);
    document.setCentered(true);
    document.typeText(selection.typeText + QStringLiteral("    ЛПУ - ") + selection.institution +
                      QLatin1Char('\r') +
                      QStringLiteral("результаты проведенных исследований за ") +
                      dateText(selection.from) + QStringLiteral(" - ") + dateText(selection.to) +
                      QLatin1Char('\r'));
    document.goToEnd();
    document.setFont(8, false);
    const int n = int(period.indicators.size());
    if (n == 0) return;  // the title only

    // Past 20 indicators the columns are split over two tables on two pages.
    const bool split = n > 20;
    const int firstColumns = split ? n / 2 + 2 : 4 + n;
    const int firstIndicators = firstColumns - 4;
    const int first = document.addTable(1, firstColumns);
    const QStringList fixed = {QStringLiteral("ID пациента"), QStringLiteral("Ф.И.О. пациента"),
                               QStringLiteral("Дата рождения"),
                               QStringLiteral("Дата взятия материала")};
    for (int c = 0; c < 4; ++c) document.setCellText(first, 1, c + 1, fixed[c]);
    for (int i = 0; i < firstIndicators; ++i)
        document.setCellText(first, 1, 5 + i, period.indicators[i]);
    int second = 0;
    if (split) {
        document.goToEnd();
        document.insertPageBreak();
        document.typeParagraph();
        document.typeParagraph();
        second = document.addTable(1, n - firstIndicators + 1);
        document.setCellText(second, 1, 1, QStringLiteral("Ф.И.О. пациента"));
        for (int i = firstIndicators; i < n; ++i)
            document.setCellText(second, 1, 2 + i - firstIndicators, period.indicators[i]);
    }

    int row = 1;
    for (const PeriodRecord& record : period.records) {
        ++row;
        const RecordTexts& r = record.byName;
        const QString name = shortName(r["FAM"], r["IMJA"], r["OTCH"]);
        document.addRow(first);
        document.setCellText(first, row, 1, r["NOM"]);
        document.setCellText(first, row, 2, name);
        document.setCellText(first, row, 3, r["DAT_R"]);
        document.setCellText(first, row, 4, r["DAT_ISSLED"]);
        for (int i = 0; i < firstIndicators; ++i)
            if (!record.results[i].isEmpty())
                document.setCellText(first, row, 5 + i, record.results[i]);
        if (second == 0) continue;
        document.addRow(second);
        document.setCellText(second, row, 1, name);
        for (int i = firstIndicators; i < n; ++i)
            if (!record.results[i].isEmpty())
                document.setCellText(second, row, 2 + i - firstIndicators, record.results[i]);
    }
}

void fillNamedReport(office::Spreadsheet& sheet, NamedReportKind kind,
                     const JournalSelection& selection, const PeriodRecords& period) {
    const int dataColumns = int(namedReportColumns(kind).size());
    const int n = int(period.indicators.size());
    const int lastColumn = dataColumns + n;
    sheet.setText(1, 1, selection.typeText);
    sheet.setText(2, 1,
                  QStringLiteral("период ") + dateText(selection.from) + QStringLiteral(" - ") +
                      dateText(selection.to));
    if (n > 0) sheet.setTexts(3, dataColumns + 1, {period.indicators});
    const office::CellRange titles = office::CellRange::of(3, 1, 3, lastColumn);
    sheet.setRuled(titles);
    sheet.setBold(titles);
    QList<QStringList> block;
    for (const PeriodRecord& record : period.records) block << record.columns + record.results;
    if (!block.isEmpty()) {
        sheet.setTexts(4, 1, block);
        sheet.setRuled(office::CellRange::of(3, 1, 3 + int(block.size()), lastColumn));
    }
    sheet.autoFit();
    sheet.selectFirstCell();
}

QString periodReportStatement() {
    return QString::fromLatin1(kPeriodReportSql);
}

QString timeText(const QVariant& minutes) {
    if (minutes.isNull()) return {};
    qint64 hundredths = 0;
    if (minutes.userType() == qMetaTypeId<db::Decimal>())
        hundredths = minutes.value<db::Decimal>().rescaled(2).units();
    else
        hundredths = qRound64(minutes.toDouble() * 100);
    if (hundredths <= 0) return {};
    if (hundredths < 6000) return hundredthsText(hundredths) + QStringLiteral("мин");
    const qint64 hours = hundredths / 6000;
    const qint64 rest = hundredths % 6000;
    if (rest == 0) return QStringLiteral("%1ч").arg(hours);
    return QStringLiteral("%1ч %2мин").arg(hours).arg(hundredthsText(rest));
}

void fillPeriodReport(office::Spreadsheet& sheet, const JournalSelection& selection,
                      const QList<IndicatorCount>& counts,
                      const std::function<void(int)>& progress) {
    sheet.setText(1, 1, QStringLiteral("Отчет за период"));
    sheet.setText(2, 1,
                  QStringLiteral(" с ") + dateText(selection.from) + QStringLiteral(" по ") +
                      dateText(selection.to));
    sheet.setText(3, 1, selection.typeText);
    sheet.setTexts(
        4, 1,
        {{QStringLiteral("Показатель"), QStringLiteral("Ед.изм."), QStringLiteral("Кол-во"),
          QStringLiteral("Время (врач)"), QStringLiteral("Время (лаборант)")}});
    int row = 5;
    for (const IndicatorCount& count : counts) {
        if (progress) progress(row - 4);
        sheet.setTexts(row, 1,
                       {{count.name, count.unit, count.count, timeText(count.doctorMinutes),
                         timeText(count.assistantMinutes)}});
        ++row;
    }
    sheet.setBold(office::CellRange::of(1, 1, 4, 5));
    sheet.setRuled(office::CellRange::of(4, 1, row - 1, 5));
    sheet.autoFit();
    sheet.selectFirstCell();
}

// ---------------------------------------------------------------------------------------------

JournalReports::JournalReports(LabData& labData, QWidget* parent)
    : labData_(labData), parent_(parent) {}

QString JournalReports::namedReportTemplate(NamedReportKind kind) {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(kind == NamedReportKind::Short ? QStringLiteral("Отчет поименный.xlt")
                                                 : QStringLiteral("Отчет поименный полный.xlt"));
}

Outcome JournalReports::resultsJournal(const JournalSelection& selection) {
    if (selection.type <= 0) return Outcome::NoTypeChosen;
    const PeriodRecords period =
        readPeriodRecords(labData_, journalColumns(), selection.type, selection.from, selection.to);
    if (period.records.isEmpty()) return Outcome::NothingToReport;
    std::unique_ptr<office::TextDocument> document = office::office().newTextDocument();
    fillResultsJournal(*document, selection, period);
    keepCopy(*document, labData_.session, QStringLiteral("journal"));
    // The document stays with the user.
    document->show();
    document->leaveOpen();
    return Outcome::Issued;
}

Outcome JournalReports::namedReport(NamedReportKind kind, const JournalSelection& selection) {
    if (selection.type <= 0) return Outcome::NoTypeChosen;
    const QString path = namedReportTemplate(kind);
    if (!QFileInfo(path).isFile())
        throw office::OfficeError(QStringLiteral("Не найден файл шаблона %1").arg(path));
    const PeriodRecords period = readPeriodRecords(labData_, namedReportColumns(kind),
                                                   selection.type, selection.from, selection.to);
    if (period.records.isEmpty()) return Outcome::NothingToReport;
    std::unique_ptr<office::Spreadsheet> sheet = office::office().newSpreadsheet(path);
    fillNamedReport(*sheet, kind, selection, period);
    keepCopy(
        *sheet, labData_.session,
        kind == NamedReportKind::Short ? QStringLiteral("named") : QStringLiteral("named-full"));
    showAndAsk(*sheet, parent_);
    return Outcome::Issued;
}

QList<IndicatorCount> readIndicatorCounts(LabData& labData, int type, const QDate& from,
                                          const QDate& to) {
    db::Transaction snapshot(labData.mainConnection, db::kReadOnlySnapshot);
    QList<IndicatorCount> counts;
    {
        data::Dataset query(snapshot, QStringLiteral("periodReport"));
        query.setSql(periodReportStatement());
        query.setParam("n_lissl", type);
        query.setParam("d1", from);
        query.setParam("d2", to);
        query.open();
        for (query.first(); !query.eof(); query.next())
            counts << IndicatorCount{query.value("NAME").toString(),
                                     query.value("ED_IZM").toString(),
                                     query.value("KOL").toString(), query.value("VR"),
                                     query.value("MS")};
    }
    snapshot.commit();
    return counts;
}

Outcome JournalReports::periodReport(const JournalSelection& selection, const Progress& progress) {
    // With no type chosen nothing is counted, and the report says it has no data.
    const QList<IndicatorCount> counts =
        readIndicatorCounts(labData_, selection.type, selection.from, selection.to);
    if (counts.isEmpty()) return Outcome::NothingToReport;
    const int total = int(counts.size());
    if (progress) progress(0, total);  // shown while the office starts
    std::unique_ptr<office::Spreadsheet> sheet = office::office().newSpreadsheet();
    fillPeriodReport(*sheet, selection, counts, [&](int row) {
        if (progress) progress(row, total);
    });
    keepCopy(*sheet, labData_.session, QStringLiteral("period"));
    showAndAsk(*sheet, parent_);
    return Outcome::Issued;
}

}  // namespace reports
