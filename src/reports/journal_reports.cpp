#include "reports/journal_reports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>

#include "data/dataset.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "db/decimal.h"
#include "reports/issuing.h"
#include "reports/office/office.h"
#include "ui/dialogs.h"

namespace reports {

namespace {

const char* const kJournalSelect =
    "Select i.n_issled,lpu.Name as LPU,otd.Name as OTD,i.nom,i.fam,i.imja,i.otch,i.dat_r,"
    "i.dat_issled,i.dat_dostav,i.dat_rezult,v.fio as VRACH from Issled i left join sp_lpu lpu on "
    "i.cod_lpu=lpu.cod_lpu left join sp_otd otd on i.cod_otd=otd.cod_otd left join sp_vr v on "
    "i.cod_vr=v.cod_vr Where i.n_lissl=";

const char* const kShortReportSelect =
    "Select i.n_issled,i.npp,lpu.Name as LPU,otd.Name as OTD,i.nom,i.fam,i.imja,i.otch,"
    "i.dat_issled,i.dat_dostav,i.dat_rezult,v.fio as VRACH from Issled i left join sp_lpu lpu on "
    "i.cod_lpu=lpu.cod_lpu left join sp_otd otd on i.cod_otd=otd.cod_otd left join sp_vr v on "
    "i.cod_vr=v.cod_vr Where i.n_lissl=";

const char* const kFullReportSelect =
    "Select i.n_issled,i.npp,lpu.Name as LPU,otd.Name as OTD,i.nom,i.nom_kart,i.fam,i.imja,"
    "i.otch,i.pol,i.dat_r,i.vozr, case i.pr_live when '0' then 'города' when '1' then 'области' "
    "when '2' then 'неизвестно' when '3' then 'иногородний'  when '4' then 'иностранный гражд.' "
    "else '' end as live,g.name as gos,t.name as ter,r.name as raion,i.nas_punkt,i.adres,k.Cod as "
    "COD_OBSL,i.snils,i.nom_pol,i.diag_cod,i.dat_issled,i.dat_dostav,i.dat_rezult,f.name as "
    "fin,v.fio as VRACH from Issled i left join sp_lpu lpu on i.cod_lpu=lpu.cod_lpu left join "
    "sp_otd otd on i.cod_otd=otd.cod_otd left join sp_ist_fin f on i.n_ifin=f.n_ifin left join "
    "sp_vr v on i.cod_vr=v.cod_vr left join sp_kontingent k on i.n_kon=k.n_kon left join sp_gos "
    "g on i.cod_gos=g.cod_gos left join sp_ter t on i.cod_ter=t.cod_ter left join sp_raion r on "
    "i.cod_raion=r.cod_raion Where i.n_lissl=";

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

// Hides the progress bar on every way out.
class ProgressShown {
public:
    ProgressShown(QProgressBar* bar, int steps) : bar_(bar) {
        if (!bar_) return;
        bar_->setRange(0, std::max(1, steps));
        bar_->setValue(0);
        bar_->show();
    }
    ~ProgressShown() {
        if (bar_) bar_->hide();
    }
    void step(int done) {
        if (bar_) bar_->setValue(done);
    }

private:
    QProgressBar* bar_;
};

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
    const int dataColumns = kind == NamedReportKind::Short ? 11 : 26;
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

bool JournalReports::typeChosen(const JournalSelection& selection) {
    if (selection.type > 0) return true;
    ui::information(parent_, QStringLiteral("Здайте вид исследования"));
    return false;
}

void JournalReports::resultsJournal(const JournalSelection& selection) {
    if (!typeChosen(selection)) return;
    const PeriodRecords period = readPeriodRecords(labData_, QString::fromUtf8(kJournalSelect),
                                                   selection.type, selection.from, selection.to);
    if (period.records.isEmpty()) return;
    std::unique_ptr<office::TextDocument> document = office::office().newTextDocument();
    fillResultsJournal(*document, selection, period);
    keepCopy(*document, labData_.session, QStringLiteral("journal"));
    // The document stays with the user.
    document->show();
    document->leaveOpen();
}

void JournalReports::namedReport(NamedReportKind kind, const JournalSelection& selection) {
    if (!typeChosen(selection)) return;
    const QString path = namedReportTemplate(kind);
    if (!QFileInfo(path).isFile())
        throw office::OfficeError(QStringLiteral("Не найден файл шаблона %1").arg(path));
    const PeriodRecords period = readPeriodRecords(
        labData_,
        QString::fromUtf8(kind == NamedReportKind::Short ? kShortReportSelect : kFullReportSelect),
        selection.type, selection.from, selection.to);
    if (period.records.isEmpty()) return;
    std::unique_ptr<office::Spreadsheet> sheet = office::office().newSpreadsheet(path);
    fillNamedReport(*sheet, kind, selection, period);
    keepCopy(
        *sheet, labData_.session,
        kind == NamedReportKind::Short ? QStringLiteral("named") : QStringLiteral("named-full"));
    showAndAsk(*sheet, parent_);
}

void JournalReports::periodReport(const JournalSelection& selection, QProgressBar* progress) {
    data::Dataset query(labData_.writeTransaction, QStringLiteral("periodReport"));
    query.setSql(periodReportStatement());
    query.setParam("n_lissl", selection.type);
    query.setParam("d1", selection.from);
    query.setParam("d2", selection.to);
    query.open();
    if (query.isEmpty()) {
        ui::information(parent_, QStringLiteral("Нет данных"));
        return;
    }
    QList<IndicatorCount> counts;
    for (query.first(); !query.eof(); query.next())
        counts << IndicatorCount{query.value("NAME").toString(), query.value("ED_IZM").toString(),
                                 query.value("KOL").toString(), query.value("VR"),
                                 query.value("MS")};
    ProgressShown shown(progress, int(counts.size()));
    std::unique_ptr<office::Spreadsheet> sheet = office::office().newSpreadsheet();
    fillPeriodReport(*sheet, selection, counts, [&](int row) { shown.step(row); });
    keepCopy(*sheet, labData_.session, QStringLiteral("period"));
    showAndAsk(*sheet, parent_);
}

}  // namespace reports
