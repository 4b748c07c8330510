#include "reports/patient_documents.h"

#include <QDir>

#include "data/clock.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/lab_data.h"
#include "reports/issuing.h"
#include "reports/office/office.h"
#include "reports/patient_sheets.h"

namespace reports {

namespace {

const char* const kTypeSql = "select name, shablon from sp_tarvik where n_lissl = :n_lissl";

const char* const kSheetResultsSql =
    " Select li.*, lp.npp,pr.name,pr.ed_izm,pr.norma   from Lab_issl_bol li,sp_priz_lab_issl pr, "
    "lab_issl_priz lp   Where li.n_prlab=pr.n_prlab     and li.n_prlab=lp.n_prlab     and "
    "lp.n_lissl=:n_lissl     and li.n_issled=:n_issled  Order by lp.npp";

const char* const kNotificationResultsSql =
    " Select li.*, pr.name,pr.ed_izm,pr.norma   from Lab_issl_bol li,sp_priz_lab_issl pr   Where "
    "li.n_prlab=pr.n_prlab      and li.n_lissl=:n_lissl     and li.n_issled=:n_issled";

RecordTexts textsOf(const data::Dataset& record) {
    RecordTexts texts;
    for (const data::Field& field : record.fields())
        texts.columns.insert(field.name, data::displayText(field, record.value(field.name)));
    return texts;
}

// The record's results through a statement of the document's own.
QList<ResultLine> readResults(LabData& labData, const char* sql, const data::Dataset& record) {
    data::Dataset results(labData.writeTransaction, QStringLiteral("documentResults"));
    results.setSql(QString::fromLatin1(sql));
    results.setParam("n_lissl", record.value("N_LISSL"));
    results.setParam("n_issled", record.value("N_ISSLED"));
    results.open();
    QList<ResultLine> lines;
    auto text = [&](const char* column) {
        return data::displayText(results.field(QString::fromLatin1(column)),
                                 results.value(QString::fromLatin1(column)));
    };
    for (results.first(); !results.eof(); results.next())
        lines << ResultLine{text("NAME"), text("RESULT"), text("ED_IZM"), text("NORMA")};
    return lines;
}

struct TypeOfRecord {
    bool found = false;
    QString name;
    QString templateName;
};

TypeOfRecord typeOf(LabData& labData, const data::Dataset& record) {
    data::Dataset type(labData.writeTransaction, QStringLiteral("documentType"));
    type.setSql(QString::fromLatin1(kTypeSql));
    type.setParam("n_lissl", record.value("N_LISSL"));
    type.open();
    if (type.isEmpty()) return {};
    return {true, type.value("NAME").toString(), type.value("SHABLON").toString().trimmed()};
}

}  // namespace

PatientDocuments::PatientDocuments(LabData& labData, QWidget* parent)
    : labData_(labData), parent_(parent) {}

QString PatientDocuments::templatePath(const QString& storedName) {
    QString name = storedName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
    return QDir::current().filePath(name);
}

Outcome PatientDocuments::resultSheet(data::Dataset& record, ResultOutput output) {
    labData_.writeTransaction.ensureStarted();
    if (!record.isActive() || record.isEmpty()) return Outcome::NothingToReport;
    TypeOfRecord type = typeOf(labData_, record);
    // A record without a type of its own has no results to list; its header still prints, on
    // the template of the type the journal shows.
    if (!type.found) type.templateName = labData_.session.templateFile.trimmed();
    if (type.templateName.isEmpty()) return Outcome::NoTemplate;
    ResultSheet data;
    data.laboratory = labData_.session.institutionName;
    data.typeName = type.name;
    data.record = textsOf(record);
    data.results = readResults(labData_, kSheetResultsSql, record);

    std::unique_ptr<office::Spreadsheet> sheet =
        office::office().newSpreadsheet(templatePath(type.templateName));
    fillResultSheet(*sheet, data);
    keepCopy(*sheet, labData_.session, QStringLiteral("result"),
             record.value("N_ISSLED").toString());
    if (output == ResultOutput::Print) {
        sheet->print();
        sheet->close();
    } else {
        showAndAsk(*sheet, parent_);
    }
    return Outcome::Issued;
}

void PatientDocuments::notification(data::Dataset& record) {
    labData_.writeTransaction.ensureStarted();
    if (!record.isActive() || record.isEmpty()) return;
    PatientForm data{labData_.session.institutionName, textsOf(record),
                     readResults(labData_, kNotificationResultsSql, record)};
    auto sheet = office::office().newSpreadsheet(templatePath(QStringLiteral("Донесение.xlt")));
    fillNotification(*sheet, data);
    keepCopy(*sheet, labData_.session, QStringLiteral("notification"),
             record.value("N_ISSLED").toString());
    showAndAsk(*sheet, parent_);
}

void PatientDocuments::referral(data::Dataset& record) {
    labData_.writeTransaction.ensureStarted();
    if (!record.isActive() || record.isEmpty()) return;
    PatientForm data{labData_.session.institutionName, textsOf(record), {}};
    auto sheet =
        office::office().newSpreadsheet(templatePath(QStringLiteral("Направление_на_ИФА_ВИЧ.xlt")));
    fillReferral(*sheet, data, data::clock::today());
    keepCopy(*sheet, labData_.session, QStringLiteral("referral"),
             record.value("N_ISSLED").toString());
    showAndAsk(*sheet, parent_);
}

}  // namespace reports
