#include "reports/patient_sheets.h"

#include <QStringList>

#include "data/field.h"
#include "reports/office/office.h"

namespace reports {

namespace {

// The result columns of both forms: indicator, result, unit, normal value.
constexpr int kIndicatorColumn = 1;
constexpr int kResultColumn = 22;
constexpr int kUnitColumn = 32;
constexpr int kNormColumn = 40;
// The last column of a row-wide text (AU).
constexpr int kLastColumn = 47;

// Writes the lines that have a result from firstRow on, each of the four columns in one call (only
// those cells: the template's cells between them stay as they are); returns the row after the
// last line.
int writeResults(office::Spreadsheet& sheet, int firstRow, const QList<ResultLine>& results) {
    QList<QStringList> indicators, values, units, norms;
    for (const ResultLine& line : results) {
        if (line.result.isEmpty()) continue;
        indicators << QStringList{line.indicator};
        values << QStringList{line.result};
        units << QStringList{line.unit};
        norms << QStringList{line.norm};
    }
    sheet.setTexts(firstRow, kIndicatorColumn, indicators);
    sheet.setTexts(firstRow, kResultColumn, values);
    sheet.setTexts(firstRow, kUnitColumn, units);
    sheet.setTexts(firstRow, kNormColumn, norms);
    return firstRow + static_cast<int>(indicators.size());
}

QString fullName(const RecordTexts& record) {
    return record["FAM"] + QLatin1Char(' ') + record["IMJA"] + QLatin1Char(' ') + record["OTCH"];
}

// A text across the whole row, A to AU.
void writeRowWide(office::Spreadsheet& sheet, int row, const QString& text) {
    sheet.setText(row, 1, text);
    sheet.merge(office::CellRange::of(row, 1, row, kLastColumn));
}

}  // namespace

void fillResultSheet(office::Spreadsheet& sheet, const ResultSheet& data) {
    const RecordTexts& r = data.record;
    sheet.setText(2, 1, data.laboratory);
    sheet.setText(8, 4, r["NOM"]);
    sheet.setText(8, 9, data.typeName);
    sheet.setText(9, 22, r["DAT_ISSLED"]);
    sheet.setText(11, 9, fullName(r));
    sheet.setText(12, 9, r["VOZR"]);
    sheet.setText(13, 8, r["LPU"]);
    sheet.setText(13, 32, r["OTD"]);
    sheet.setText(14, 8, r["NOM_POL"]);
    sheet.setText(14, 32, r["NOM_KART"]);
    sheet.setText(15, 8, r["COD_OBSL"]);
    sheet.setText(15, 32, r["NPP"]);
    const int next = writeResults(sheet, 18, data.results);
    // An empty block has no lines to rule; the template's caption row above stays as it is.
    if (next > 18) sheet.setRuled(office::CellRange::of(18, 1, next - 1, kNormColumn));
    sheet.setText(next + 2, 1, QStringLiteral("Дата выдачи ") + r["DAT_REZULT"]);
    sheet.setText(next + 2, 22, QStringLiteral("Подпись ____________ ") + r["VRACH"]);
    sheet.merge(office::CellRange::of(next + 2, 22, next + 2, kLastColumn));
    sheet.selectFirstCell();
}

void fillNotification(office::Spreadsheet& sheet, const PatientForm& data) {
    const RecordTexts& r = data.record;
    sheet.setText(2, 1, data.laboratory);
    sheet.setText(12, 9, r["FAM"]);
    sheet.setText(13, 9, r["IMJA"]);
    sheet.setText(13, 29, r["OTCH"]);
    sheet.setText(15, 9, r["POL"]);
    sheet.setText(15, 33, r["DAT_R"]);
    sheet.setText(17, 33, r["GOS"]);
    sheet.setText(18, 13, registeredAddress(r));
    sheet.setText(21, 12, r["COD_OBSL"]);
    sheet.setText(22, 14, r["LPU"]);
    sheet.setText(24, 12, data.laboratory);
    const int next = writeResults(sheet, 28, data.results);
    const QString blanks(72, QLatin1Char(' '));
    const QStringList proteins = {
        QStringLiteral("Выявленные белки и гликопротеиды:    env:     gp 160,  110  /  120,  41"),
        blanks + QStringLiteral("gag:    p 55,  40,  25, 18"),
        blanks + QStringLiteral("pol:     p 68,  52,  33")};
    for (int i = 0; i < proteins.size(); ++i) {
        const int row = next + 1 + i;
        writeRowWide(sheet, row, proteins[i]);
        sheet.setAlignment(office::CellRange::of(row, 1, row, kLastColumn),
                           office::Alignment::General);
    }
    writeRowWide(sheet, next + 5,
                 QStringLiteral("Должность, фамилия, подпись лица, направившего донесение"));
    writeRowWide(sheet, next + 6, r["VRACH"]);
    writeRowWide(sheet, next + 7, QStringLiteral("Дата   ") + r["DAT_REZULT"]);
    sheet.selectFirstCell();
}

void fillReferral(office::Spreadsheet& sheet, const PatientForm& data, const QDate& today) {
    const RecordTexts& r = data.record;
    sheet.setText(4, 3, data.laboratory);
    sheet.setText(10, 4, r["LPU"]);
    sheet.setText(15, 15, fullName(r));
    const QDate birth = QDate::fromString(r["DAT_R"], data::kDateFormat);
    if (birth.isValid()) sheet.setText(19, 23, dateInWords(birth));
    sheet.setText(24, 3, registeredAddress(r));
    sheet.setText(28, 12, r["COD_OBSL"]);
    sheet.setText(28, 30, r["DAT_ISSLED"]);
    sheet.setText(34, 3, r["VRACH"]);
    sheet.setText(37, 3, today.toString(data::kDateFormat));
    sheet.selectFirstCell();
}

QString registeredAddress(const RecordTexts& record) {
    QString address;
    if (record["COD_TER"].toInt() > 0) address += record["TER"] + QLatin1Char(' ');
    if (record["COD_RAION"].toInt() > 0) address += record["RAION"] + QStringLiteral(" р-он ");
    if (!record["NAS_PUNKT"].isEmpty()) address += record["NAS_PUNKT"] + QLatin1Char(' ');
    if (!record["ADRES"].isEmpty()) address += record["ADRES"];
    return address;
}

QString dateInWords(const QDate& date) {
    static const char* const months[] = {"января",   "февраля", "марта",  "апреля",
                                         "мая",      "июня",    "июля",   "августа",
                                         "сентября", "октября", "ноября", "декабря"};
    return QStringLiteral("%1 %2 %3 г.")
        .arg(date.day())
        .arg(QString::fromUtf8(months[date.month() - 1]))
        .arg(date.year());
}

}  // namespace reports
