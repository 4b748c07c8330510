// The program's hot paths on a large register, each beside the same statements run straight
// through the client library: opening and reloading the journal, opening the card, saving one
// result, searching, copying a patient from an institution's register, the period report's
// counts, and making a result sheet and a named report in LibreOffice. Prints
// "NAME app_ms=A raw_ms=B ratio=A/B" per measurement.
//
// The program runs on the register as given (its index statistics as daily work leaves them);
// the statements run straight on a second database, a copy of it whose statistics were
// recomputed, so a ratio also shows what stale statistics cost the program's plans.
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <functional>

#include "card/research_card.h"
#include "data/field.h"
#include "data/heap.h"
#include "data/lab_data.h"
#include "data/overview.h"
#include "db/named_params.h"
#include "data/schema.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "journal/search_statement.h"
#include "query/query_builder_window.h"
#include "query/query_text.h"
#include "raw_client.h"
#include "reports/journal_reports.h"
#include "reports/office/libreoffice.h"
#include "reports/office/libreoffice_uno.h"
#include "reports/office/memory_office.h"
#include "reports/patient_documents.h"
#include "ui/dialogs.h"

namespace {

bool wanted(const char* name) {
    const QByteArray only = qgetenv("BENCH_ONLY");
    // A line's variants ("named_report_fitted") go with it.
    return only.isEmpty() || only == name || QByteArray(name).startsWith(only + '_');
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Runs both sides alternately after one warm-up each and prints their medians.
void compare(const char* name, int runs, const std::function<void(int)>& app,
             const std::function<void(int)>& raw) {
    if (!wanted(name)) return;
    // Warm both sides up alike (caches, first fetches) before anything is timed.
    for (int i = 0; i < std::max(1, runs / 20); ++i) {
        app(0);
        raw(0);
    }
    std::vector<double> a, r;
    for (int i = 1; i <= runs; ++i) {
        a.push_back(timeMs([&] { app(i); }));
        r.push_back(timeMs([&] { raw(i); }));
    }
    const double am = median(a), rm = median(r);
    QTextStream(stdout) << QStringLiteral("%1 app_ms=%2 raw_ms=%3 ratio=%4\n")
                               .arg(QString::fromLatin1(name))
                               .arg(am, 0, 'f', 2)
                               .arg(rm, 0, 'f', 2)
                               .arg(am / rm, 0, 'f', 2);
}

// The user's answers while a report is measured: OK to every box, so that none is shown and each
// document is closed as soon as it is made.
class AnsweringOk : public ui::Dialogs {
public:
    AnsweringOk() { ui::setDialogs(this); }
    ~AnsweringOk() override { ui::setDialogs(nullptr); }
    AnsweringOk(const AnsweringOk&) = delete;
    AnsweringOk& operator=(const AnsweringOk&) = delete;

    bool ok = true;  // false: the box is closed another way and the document stays open
    QStringList told;

    QMessageBox::StandardButton message(QWidget*, const ui::Message& m) override {
        told << m.text;
        return QMessageBox::Ok;
    }
    bool okPressed(QWidget*, const QString&) override { return ok; }
    bool login(db::LoginRequest&) override { return false; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return fileToOpen;
    }
    QString fileToOpen;  // what the open dialog answers
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    int showModal(QDialog*) override { return 0; }
};

// --- result_sheet: a result sheet of 20 results made from its type's template in a warm office and
// printed into a PDF file. The program reads the record from a small database of its own (made here
// from the schema) and fills the sheet through the office layer; the yardstick makes the same
// document with the fewest UNO calls: the template loaded, the header cells set, the whole result
// block in one data array, its borders, the signature merged, printed and closed.
// The yardstick's document: a new hidden document from the template, loaded as the program
// loads it, and its active sheet.
std::pair<office::uno::Ref<css::frame::XModel>, office::uno::Ref<css::sheet::XSpreadsheet>>
newSheetFromTemplate(const rtl::OUString& templateUrl) {
    using namespace office::uno;
    using css::uno::Any;
    using css::uno::UNO_QUERY_THROW;
    static const auto loadArguments =
        properties({{"Hidden", Any(true)},
                    {"AsTemplate", Any(true)},
                    {"MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)},
                    {"UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)}});
    const Ref<css::frame::XComponentLoader> loader(desktop(), UNO_QUERY_THROW);
    const Ref<css::frame::XModel> model(
        loader->loadComponentFromURL(templateUrl, "_blank", 0, loadArguments), UNO_QUERY_THROW);
    const Ref<css::sheet::XSpreadsheet> sheet =
        Ref<css::sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW)
            ->getActiveSheet();
    return {model, sheet};
}

void resultSheet(int runs) {
    using namespace office::uno;
    using css::uno::Any;
    using css::uno::UNO_QUERY_THROW;
    constexpr int kResults = 20;

    QTemporaryDir dir;
    const QString databasePath = dir.filePath("sheet.fdb");
    data::createMainDatabase(databasePath);
    QStringList sql = {
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница №2')",
        "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Инфекционное')",
        "insert into SP_VR (COD_VR, FIO) values (1, 'Белов И. С.')",
        "insert into SP_KONTINGENT (N_KON, COD, NAME) values (1, '108', 'Обследуемые')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP, SHABLON) values (1, 'Биохимия крови', 1, "
        "'Результат.xlt')",
        "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, COD_VR, N_KON, NPP, NOM, FAM, "
        "IMJA, OTCH, VOZR, NOM_KART, NOM_POL, DAT_ISSLED, DAT_REZULT) values (1, 1, 1, 1, 1, 1, "
        "5, 5127, 'Фёдорова', 'Юлия', 'Юрьевна', 49, 'К-20127', '6300123', '2026-12-09', "
        "'2026-12-10')"};
    // 20 indicators in the type's order, each with a result.
    QList<QStringList> lines;
    for (int i = 1; i <= kResults; ++i) {
        const QString result = i % 3 == 0   ? QStringLiteral("+")
                               : i % 3 == 1 ? QStringLiteral("1:%1").arg(20 * i)
                                            : QStringLiteral("%1,%2").arg(i).arg(i % 10);
        lines << QStringList{QStringLiteral("Показатель %1").arg(i), result,
                             QStringLiteral("ммоль/л"), QStringLiteral("0-%1,5").arg(i)};
        sql << QStringLiteral(
                   "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA) values "
                   "(%1, '%2', '%3', '%4')")
                   .arg(100 + i)
                   .arg(lines.last()[0], lines.last()[2], lines.last()[3])
            << QStringLiteral(
                   "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values "
                   "(%1, 1, %2, %1)")
                   .arg(i)
                   .arg(100 + i)
            << QStringLiteral(
                   "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) "
                   "values (%1, 1, 1, '%2')")
                   .arg(100 + i)
                   .arg(result);
    }

    LabData sheetData;
    sheetData.mainConnection.setDatabaseName(databasePath);
    sheetData.mainConnection.setParams(
        {"lc_ctype=WIN1251", "user_name=SYSDBA", "password=masterkey", "sql_role_name="});
    sheetData.mainConnection.open();
    sheetData.writeTransaction.ensureStarted();
    for (const QString& statement : sql) db::executeSql(sheetData.writeTransaction, statement);
    sheetData.writeTransaction.commitRetaining();
    sheetData.session.institutionName = QStringLiteral("КДЛ");
    data::Dataset& record = sheetData.card;
    record.setParam("n_issled", 1);
    record.open();

    // The type's template, made by the office as a laboratory's are: labels beside the cells.
    const QString templatePath = dir.filePath("Результат.xlt");
    {
        const Ref<css::frame::XModel> form(
            Ref<css::frame::XComponentLoader>(desktop(), UNO_QUERY_THROW)
                ->loadComponentFromURL("private:factory/scalc", "_blank", 0, {}),
            UNO_QUERY_THROW);
        const Ref<css::sheet::XSpreadsheet> sheet =
            Ref<css::sheet::XSpreadsheetView>(form->getCurrentController(), UNO_QUERY_THROW)
                ->getActiveSheet();
        const QList<std::tuple<int, int, QString>> labels = {{1, 1, "Результат исследования"},
                                                             {8, 1, "Пациент №"},
                                                             {8, 6, "Исследование"},
                                                             {11, 1, "Ф.И.О."},
                                                             {12, 1, "Возраст"},
                                                             {13, 1, "ЛПУ"},
                                                             {17, 1, "Показатель"},
                                                             {17, 22, "Результат"},
                                                             {17, 32, "Ед. изм."},
                                                             {17, 40, "Норма"}};
        for (const auto& [row, column, text] : labels)
            Ref<css::text::XTextRange>(sheet->getCellByPosition(column - 1, row - 1),
                                       UNO_QUERY_THROW)
                ->setString(str(text));
        // Narrow columns: A to AU across one page.
        Ref<css::beans::XPropertySet>(
            Ref<css::table::XColumnRowRange>(sheet->getCellRangeByPosition(0, 0, 46, 0),
                                             UNO_QUERY_THROW)
                ->getColumns(),
            UNO_QUERY_THROW)
            ->setPropertyValue("Width", Any(sal_Int32(350)));
        Ref<css::frame::XStorable>(form, UNO_QUERY_THROW)
            ->storeToURL(
                fileUrl(templatePath),
                properties({{"FilterName", Any(rtl::OUString("MS Excel 97 Vorlage/Template"))},
                            {"Overwrite", Any(true)}}));
        Ref<css::util::XCloseable>(form, UNO_QUERY_THROW)->close(true);
    }
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());

    // The program's side: the journal's "print the result" on the record.
    reports::PatientDocuments documents(sheetData, nullptr);
    const QString appPdf = dir.filePath("app.pdf");
    office::setLibreOfficePrintFile(appPdf);
    auto app = [&](int) { documents.resultSheet(record, ResultOutput::Print); };
    app(0);  // the office warm, one sheet made
    if (QFileInfo(appPdf).size() == 0) throw office::OfficeError("the program printed nothing");

    // The same document through UNO directly.
    const auto text = [&](const char* column) {
        return str(data::displayText(record.field(QString::fromLatin1(column)),
                                     record.value(QString::fromLatin1(column))));
    };
    const std::vector<std::tuple<int, int, rtl::OUString>> header = {
        {2, 1, str(sheetData.session.institutionName)},
        {8, 4, text("NOM")},
        {8, 9, str(QStringLiteral("Биохимия крови"))},
        {9, 22, text("DAT_ISSLED")},
        {11, 9, text("FAM") + " " + text("IMJA") + " " + text("OTCH")},
        {12, 9, text("VOZR")},
        {13, 8, text("LPU")},
        {13, 32, text("OTD")},
        {14, 8, text("NOM_POL")},
        {14, 32, text("NOM_KART")},
        {15, 8, text("COD_OBSL")},
        {15, 32, text("NPP")}};
    const int next = 18 + kResults;
    const std::vector<std::tuple<int, int, rtl::OUString>> footer = {
        {next + 2, 1, str(QStringLiteral("Дата выдачи ")) + text("DAT_REZULT")},
        {next + 2, 22, str(QStringLiteral("Подпись ____________ ")) + text("VRACH")}};
    css::uno::Sequence<css::uno::Sequence<Any>> block(kResults);
    for (int r = 0; r < kResults; ++r) {
        css::uno::Sequence<Any> row(40);
        for (int c = 0; c < 40; ++c) row.getArray()[c] <<= rtl::OUString();
        const std::pair<int, int> columns[] = {{0, 0}, {21, 1}, {31, 2}, {39, 3}};
        for (const auto& [column, field] : columns) row.getArray()[column] <<= str(lines[r][field]);
        block.getArray()[r] = row;
    }
    const rtl::OUString templateUrl = fileUrl(templatePath);
    const rtl::OUString rawPdf = fileUrl(dir.filePath("raw.pdf"));
    auto raw = [&](int) {
        const auto [model, sheet] = newSheetFromTemplate(templateUrl);
        auto write = [&](const std::vector<std::tuple<int, int, rtl::OUString>>& cells) {
            for (const auto& [row, column, value] : cells)
                Ref<css::text::XTextRange>(sheet->getCellByPosition(column - 1, row - 1),
                                           UNO_QUERY_THROW)
                    ->setString(value);
        };
        write(header);
        const Ref<css::table::XCellRange> results =
            sheet->getCellRangeByPosition(0, 17, 39, 17 + kResults - 1);
        Ref<css::sheet::XCellRangeData>(results, UNO_QUERY_THROW)->setDataArray(block);
        Ref<css::beans::XPropertySet>(results, UNO_QUERY_THROW)
            ->setPropertyValue("TableBorder2", Any(ruledBorder()));
        write(footer);
        Ref<css::util::XMergeable>(sheet->getCellRangeByPosition(21, next + 1, 46, next + 1),
                                   UNO_QUERY_THROW)
            ->merge(true);
        Ref<css::view::XSelectionSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
            ->select(Any(sheet->getCellRangeByName("A1")));
        Ref<css::view::XPrintable>(model, UNO_QUERY_THROW)
            ->print(properties(
                {{"Wait", Any(true)}, {"Selection", Any(sheet)}, {"FileName", Any(rawPdf)}}));
        Ref<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    };
    compare("result_sheet", runs, app, raw);

    office::setLibreOfficePrintFile({});
    QDir::setCurrent(previousFolder);
    record.close();
    sheetData.writeTransaction.commit();
    sheetData.mainConnection.close();
}

// --- named_report: the short named report of 1,000 investigations with 20 results each, filled
// into its template in a warm office and closed at once (OK in the closing box). The program
// reads a small database of its own made here; the yardstick writes the same block of
// 1,000 x 31 texts into a sheet made from the same template with one data array and one border
// call, and closes it.
void namedReport(int runs) {
    using namespace office::uno;
    using css::uno::Any;
    using css::uno::UNO_QUERY_THROW;
    constexpr int kRecords = 1000;
    constexpr int kIndicators = 20;
    constexpr int kColumns = 11 + kIndicators;
    const QDate month(2026, 11, 1);

    QTemporaryDir dir;
    const QString databasePath = dir.filePath("named.fdb");
    data::createMainDatabase(databasePath);
    LabData reportData;
    reportData.mainConnection.setDatabaseName(databasePath);
    reportData.mainConnection.setParams(
        {"lc_ctype=WIN1251", "user_name=SYSDBA", "password=masterkey", "sql_role_name="});
    reportData.mainConnection.open();
    reportData.writeTransaction.ensureStarted();
    for (const char* statement :
         {"insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница №2')",
          "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Инфекционное')",
          "insert into SP_VR (COD_VR, FIO) values (1, 'Белов И. С.')",
          "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'Биохимия крови', 1)"})
        db::executeSql(reportData.writeTransaction, QString::fromUtf8(statement));
    // The type's 20 indicators, then the investigations, their results dated in one month.
    db::executeRaw(
        reportData.writeTransaction,
        QStringLiteral("execute block as declare j integer = 1; begin while (j <= %1) do begin "
                       "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (100 + :j, "
                       "'Показатель ' || :j); "
                       "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (:j, 1, "
                       "100 + :j, :j); j = j + 1; end end")
            .arg(kIndicators));
    db::executeRaw(
        reportData.writeTransaction,
        QStringLiteral(
            "execute block as declare k integer = 1; declare j integer; declare d date; begin "
            "while (k <= %1) do begin d = dateadd(mod(:k, 30) day to date '%2'); "
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, COD_VR, NPP, NOM, FAM, "
            "IMJA, OTCH, DAT_ISSLED, DAT_DOSTAV, DAT_REZULT) values (:k, 1, 1, 1, 1, :k, "
            "100000 + :k, 'Фамилия' || :k, 'Имя' || mod(:k, 89), 'Отчество' || mod(:k, 41), "
            ":d, :d, :d); "
            "j = 1; while (j <= %3) do begin "
            "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values "
            "((:k - 1) * %3 + :j, 100 + :j, 1, :k, iif(mod(:j, 3) = 0, '1:' || (10 * :j), "
            "'отр')); j = j + 1; end k = k + 1; end end")
            .arg(kRecords)
            .arg(month.toString(Qt::ISODate))
            .arg(kIndicators));
    reportData.writeTransaction.commitRetaining();

    // The template beside the executable, where the program looks for it: the one the build
    // ships where it was built, otherwise one made by the office with the same titles.
    const QString templatePath =
        reports::JournalReports::namedReportTemplate(reports::NamedReportKind::Short);
    QFile::remove(templatePath);
    const QString shipped =
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../src/") + QFileInfo(templatePath).fileName());
    struct Placed {
        QString path;
        ~Placed() { QFile::remove(path); }
    } placed{templatePath};
    if (QFileInfo::exists(shipped)) {
        if (!QFile::copy(shipped, templatePath))
            throw office::OfficeError("the shipped named report's template was not copied");
    } else {
        QTextStream(stderr) << "named_report: no shipped template in " << shipped
                            << ", one made by the office\n";
        const Ref<css::frame::XModel> form(
            Ref<css::frame::XComponentLoader>(desktop(), UNO_QUERY_THROW)
                ->loadComponentFromURL("private:factory/scalc", "_blank", 0, {}),
            UNO_QUERY_THROW);
        const Ref<css::sheet::XSpreadsheet> sheet =
            Ref<css::sheet::XSpreadsheetView>(form->getCurrentController(), UNO_QUERY_THROW)
                ->getActiveSheet();
        const QStringList titles = {
            "№ пп",     "ЛПУ",         "Отделение",     "Уник. №",         "Фамилия", "Имя",
            "Отчество", "Дата взятия", "Дата доставки", "Дата результата", "Врач"};
        for (int c = 0; c < titles.size(); ++c)
            Ref<css::text::XTextRange>(sheet->getCellByPosition(c, 2), UNO_QUERY_THROW)
                ->setString(str(titles[c]));
        Ref<css::frame::XStorable>(form, UNO_QUERY_THROW)
            ->storeToURL(
                fileUrl(templatePath),
                properties({{"FilterName", Any(rtl::OUString("MS Excel 97 Vorlage/Template"))},
                            {"Overwrite", Any(true)}}));
        Ref<css::util::XCloseable>(form, UNO_QUERY_THROW)->close(true);
    }

    // The block the report holds: npp, institution, department, number, the three names, the
    // three dates, the doctor, then the 20 results.
    css::uno::Sequence<css::uno::Sequence<Any>> block(kRecords);
    for (int k = 1; k <= kRecords; ++k) {
        const QString date = month.addDays(k % 30).toString(data::kDateFormat);
        QStringList texts = {QString::number(k),
                             QStringLiteral("Больница №2"),
                             QStringLiteral("Инфекционное"),
                             QString::number(100000 + k),
                             QStringLiteral("Фамилия%1").arg(k),
                             QStringLiteral("Имя%1").arg(k % 89),
                             QStringLiteral("Отчество%1").arg(k % 41),
                             date,
                             date,
                             date,
                             QStringLiteral("Белов И. С.")};
        for (int j = 1; j <= kIndicators; ++j)
            texts << (j % 3 == 0 ? QStringLiteral("1:%1").arg(10 * j) : QStringLiteral("отр"));
        css::uno::Sequence<Any> row(kColumns);
        for (int c = 0; c < kColumns; ++c) row.getArray()[c] <<= str(texts[c]);
        block.getArray()[k - 1] = row;
    }

    AnsweringOk answers;
    reports::JournalReports reports(reportData, nullptr);
    const reports::JournalSelection selection{1, QStringLiteral("Биохимия крови"), QString(), month,
                                              month.addMonths(1).addDays(-1)};
    auto app = [&](int) { reports.namedReport(reports::NamedReportKind::Short, selection); };

    // Once kept open, to see that the program wrote the very block the yardstick writes.
    const auto openModels = [] {
        QList<Ref<css::frame::XModel>> models;
        const Ref<css::container::XEnumeration> all =
            desktop()->getComponents()->createEnumeration();
        while (all->hasMoreElements())
            models << Ref<css::frame::XModel>(all->nextElement(), css::uno::UNO_QUERY);
        return models;
    };
    const auto before = openModels();
    answers.ok = false;
    app(0);
    answers.ok = true;
    if (!answers.told.isEmpty()) throw office::OfficeError(answers.told.join(" | "));
    QList<Ref<css::frame::XModel>> made;
    for (const auto& model : openModels())
        if (!before.contains(model)) made << model;
    if (made.size() != 1) throw office::OfficeError("the program left no report open");
    for (const auto& model : made) {
        const Ref<css::sheet::XSpreadsheet> sheet =
            Ref<css::sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW)
                ->getActiveSheet();
        const auto written =
            Ref<css::sheet::XCellRangeData>(
                sheet->getCellRangeByPosition(0, 3, kColumns - 1, 3 + kRecords - 1),
                UNO_QUERY_THROW)
                ->getDataArray();
        Ref<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        if (written != block) throw office::OfficeError("the report's block differs");
    }

    const rtl::OUString templateUrl = fileUrl(templatePath);
    // The block written with one call and ruled with another.
    const auto writeRuledBlock = [&](const Ref<css::sheet::XSpreadsheet>& sheet) {
        const Ref<css::table::XCellRange> records =
            sheet->getCellRangeByPosition(0, 3, kColumns - 1, 3 + kRecords - 1);
        Ref<css::sheet::XCellRangeData>(records, UNO_QUERY_THROW)->setDataArray(block);
        Ref<css::beans::XPropertySet>(records, UNO_QUERY_THROW)
            ->setPropertyValue("TableBorder2", Any(ruledBorder()));
    };
    auto raw = [&](int) {
        const auto [model, sheet] = newSheetFromTemplate(templateUrl);
        writeRuledBlock(sheet);
        Ref<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    };
    compare("named_report", runs, app, raw);
    // The same yardstick ending as the report must: rows and columns fitted (the office spends
    // most of its time there) and the document shown to the user. What the program adds beyond
    // the office's own work.
    auto rawFitted = [&](int) {
        const auto [model, sheet] = newSheetFromTemplate(templateUrl);
        writeRuledBlock(sheet);
        const Ref<css::table::XColumnRowRange> used(
            sheet->getCellRangeByPosition(0, 0, kColumns - 1, 3 + kRecords - 1), UNO_QUERY_THROW);
        Ref<css::beans::XPropertySet>(used->getRows(), UNO_QUERY_THROW)
            ->setPropertyValue("OptimalHeight", Any(true));
        Ref<css::beans::XPropertySet>(used->getColumns(), UNO_QUERY_THROW)
            ->setPropertyValue("OptimalWidth", Any(true));
        model->getCurrentController()->getFrame()->getContainerWindow()->setVisible(true);
        Ref<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    };
    compare("named_report_fitted", runs, app, rawFitted);

    reportData.writeTransaction.commit();
    reportData.mainConnection.close();
}

}  // namespace

int main(int argc, char** argv) {
    data::keepFreedMemory();  // as the program does at start
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: bench_main DATABASE RECOMPUTED_COPY [PATIENT_REGISTER]\n";
        return 2;
    }
    const QString registerPath = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString recomputedPath = QString::fromLocal8Bit(argv[2]);
    const int runs = qEnvironmentVariableIntValue("BENCH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("BENCH_RUNS")
                         : 15;

    LabData labData;
    labData.mainConnection.setDatabaseName(path);
    labData.mainConnection.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="});
    labData.mainConnection.open();
    // The register holds the 150 days before the day it was made; take its last month.
    const QDate last =
        db::queryRows(labData.writeTransaction,
                      "select max(dat_issled) from issled where cod_lpu = 3 and n_lissl = 4")
            .at(0)
            .at(0)
            .toDate();
    const QDate first = last.addMonths(-1).addDays(1);
    const int type = 4;
    bench::RawSession raw(recomputedPath);

    // --- journal_open: the journal dataset alone.
    data::Dataset& journal = labData.journal;
    auto setJournal = [&](int institution) {
        journal.setParam("n_lissl1", type);
        journal.setParam("n_lissl2", type);
        journal.setParam("cod_lpu1", institution);
        journal.setParam("cod_lpu2", institution);
        journal.setParam("d1", first);
        journal.setParam("d2", last);
    };
    auto rawJournal = raw.prepare(journal.sql());
    compare(
        "journal_open", runs,
        [&](int) {
            journal.close();
            setJournal(3);
            journal.open();
            journal.last();
            journal.first();
        },
        [&](int) {
            rawJournal.fetchAll({type, type, 3, 3, first, last});
        });

    // --- journal_reload: moving between two institutions in the main window, marks included.
    for (data::Dataset* list : {&labData.typeList, &labData.institutions, &labData.departments,
                                &labData.doctors, &labData.labAssistants, &labData.fundingSources})
        list->open();
    MainWindow form(labData);
    ResearchCard card(labData);
    form.setWindows({.card = &card});
    JournalPage& page = *form.journalPage;
    page.periodFrom->setDate(first);
    page.periodTo->setDate(last);
    labData.session.investigationType = type;
    page.institutionList.open();
    auto rawMarks = raw.prepare(
        "select distinct b.n_issled from issled i join lab_issl_bol b on b.n_issled = i.n_issled "
        "where i.n_lissl between :n_lissl1 and :n_lissl2 and i.cod_lpu between :cod_lpu1 and "
        ":cod_lpu2 "
        "and i.dat_issled between :d1 and :d2 and b.result is not null");
    auto institutionOf = [](int i) { return i % 2 == 0 ? 3 : 4; };
    compare(
        "journal_reload", runs,
        [&](int i) { page.institutionList.locate("COD_LPU", institutionOf(i)); },
        [&](int i) {
            const int lpu = institutionOf(i);
            rawJournal.fetchAll({type, type, lpu, lpu, first, last});
            rawMarks.fetchAll({type, type, lpu, lpu, first, last});
        });

    // --- card_open: the card's lists, the record and its results.
    const int key = journal.value("N_ISSLED").toInt();
    labData.session.investigationKey = key;
    std::vector<bench::RawSession::Statement> rawCard;
    for (data::Dataset* d :
         {&labData.examinationCodes, &labData.countries, &labData.territories, &labData.districts})
        rawCard.push_back(raw.prepare(d->sql()));
    auto rawRecord = raw.prepare(labData.card.sql());
    auto rawResults = raw.prepare(card.results.sql());
    compare(
        "card_open", std::max(runs, 2001), [&](int) { card.openRecord(); },
        [&](int) {
            for (auto& s : rawCard) s.fetchAll({});
            rawRecord.fetchAll({key});
            rawResults.fetchAll({key});
        });

    // --- card_save: one result typed and saved.
    card.openRecord();
    data::Dataset& results = card.results;
    const QVariant isbol = results.value("N_ISBOL"), prlab = results.value("N_PRLAB"),
                   lissl = results.value("N_LISSL");
    auto rawSave =
        raw.prepare(labData.card.isActive() ? card.results.updateSql()->modifySql : QString());
    auto valueOf = [](int i) { return QStringLiteral("результат %1").arg(i); };
    compare(
        "card_save", std::max(runs, 101),
        [&](int i) {
            results.edit();
            results.setValue("RESULT", valueOf(i));
            card.saveRecord();
        },
        [&](int i) {
            rawSave.execute({isbol, prlab, lissl, key, valueOf(i) + "r", isbol});
            raw.commit();
        });
    // --- save_10k_drift: 10,000 saves of the card in one session, as a busy day's; the last
    // 1,000 against the first 1,000 (a transaction context kept all day would slow them down).
    if (wanted("save_10k_drift")) {
        std::vector<double> batches;
        for (int batch = 0; batch < 10; ++batch) {
            batches.push_back(timeMs([&] {
                for (int i = 0; i < 1000; ++i) {
                    results.edit();
                    results.setValue("RESULT", valueOf(batch * 1000 + i));
                    card.saveRecord();
                }
            }));
        }
        QTextStream(stdout) << QStringLiteral("save_10k_drift first_ms=%1 last_ms=%2 ratio=%3\n")
                                   .arg(batches.front(), 0, 'f', 2)
                                   .arg(batches.back(), 0, 'f', 2)
                                   .arg(batches.back() / batches.front(), 0, 'f', 2);
    }
    // --- history_overhead: 10,000 card saves that change one result, with the change log's
    // triggers active against the same with them inactive, in alternate batches of 1,000 (so
    // that a drift over the session weighs on both alike). Each batch checks that the log got
    // one row per save, or none.
    if (wanted("history_overhead")) {
        // Through the program's own attachment: another one's change would not reach the
        // statements it has prepared.
        db::Transaction& ddl = labData.writeTransaction;
        auto logTriggers = [&](bool active) {
            results.close();
            if (ddl.isActive()) ddl.commit();
            for (const char* trigger : {"ISSLED_LOG", "LAB_ISSL_BOL_LOG"})
                db::executeRaw(ddl, QStringLiteral("alter trigger %1 %2")
                                        .arg(QLatin1String(trigger),
                                             active ? QStringLiteral("active")
                                                    : QStringLiteral("inactive")));
            ddl.commit();
        };
        auto logged = [&] {
            const qint64 n =
                db::queryRows(ddl, "select count(*) from CHANGE_LOG")
                    .at(0)
                    .at(0)
                    .toLongLong();
            ddl.commit();
            return n;
        };
        double activeMs = 0, inactiveMs = 0;
        bool countsRight = true;
        for (int batch = 0; batch < 10; ++batch) {
            const bool active = batch % 2 == 0;
            logTriggers(active);
            // A statement prepared before the change would keep the triggers it was made with.
            card.openRecord();
            const qint64 before = logged();
            const double ms = timeMs([&] {
                for (int i = 0; i < 1000; ++i) {
                    results.edit();
                    results.setValue("RESULT", valueOf(100000 + batch * 1000 + i));
                    card.saveRecord();
                }
            });
            const qint64 rows = logged() - before;
            if (rows != (active ? 1000 : 0)) {
                countsRight = false;
                QTextStream(stderr) << "history_overhead: batch " << batch << " ("
                                    << (active ? "active" : "inactive") << ") logged " << rows
                                    << " rows\n";
            }
            (active ? activeMs : inactiveMs) += ms;
        }
        logTriggers(true);
        card.openRecord();
        QTextStream(stdout)
            << QStringLiteral("history_overhead active_ms=%1 inactive_ms=%2 ratio=%3%4\n")
                   .arg(activeMs / 5, 0, 'f', 2)
                   .arg(inactiveMs / 5, 0, 'f', 2)
                   .arg(activeMs / inactiveMs, 0, 'f', 2)
                   .arg(countsRight ? QString() : QStringLiteral(" LOG_ROWS_WRONG"));
    }
    // --- register_copy: the card's copy from an institution's register of 100,000 patients.
    if (!registerPath.isEmpty()) {
        db::executeSql(labData.writeTransaction, "update sp_lpu set path = :path where cod_lpu = 3",
                       {{"path", registerPath}});
        labData.writeTransaction.commitRetaining();
        labData.institutions.close();
        labData.institutions.open();
        const auto patient = db::queryRows(labData.writeTransaction,
                                           "select first 1 n_issled, nom from issled where "
                                           "cod_lpu = 3 and nom between 1 and 100000");
        labData.session.investigationKey = patient.at(0).at(0).toInt();
        const int nom = patient.at(0).at(1).toInt();
        card.openRecord();
        data::Dataset& record = labData.card;
        auto rawModify = raw.prepare(record.updateSql()->modifySql);
        const QString patientSql = QStringLiteral("Select * from karta k Where k.nom=:nom");
        const QString diagnosesSql = QStringLiteral(
            "Select d7.kod from diag_pacien d,diag7 d7 Where d.nom7=d7.nom7   and d.nom=:nom");
        compare(
            "register_copy", runs, [&](int) { card.copyPatient(); },
            [&](int) {
                {
                    bench::RawSession reg(registerPath);
                    reg.prepare(patientSql).fetchAll({nom});
                    reg.prepare(diagnosesSql).fetchAll({nom});
                }
                // The record as the copy leaves it, written back by the card's own statement.
                std::vector<QVariant> values;
                for (const QString& column : issledColumns())
                    values.push_back(record.value(column));
                values.push_back(record.value("N_ISSLED"));
                rawModify.execute(values);
                raw.commit();
            });
    }

    // --- search_surname: a surname prefix, typed in lower case, over the whole register.
    SearchPage& search = *form.searchPage;
    search.enter();
    search.periodFrom->setDate(QDate(2000, 1, 1));
    search.periodTo->setDate(last);
    search.surnameEdit->setText(QStringLiteral("фамилия12"));
    const SearchStatement bySurname = searchStatement(search.criteria());
    auto rawBySurname = raw.prepare(bySurname.sql);
    compare(
        "search_surname", runs, [&](int) { search.find(); },
        [&](int) {
            rawBySurname.fetchAll({QDate(2000, 1, 1), last, QStringLiteral("Фамилия12")});
        });

    // --- search_period: one month, no other criterion.
    search.enter();
    search.periodFrom->setDate(first);
    search.periodTo->setDate(last);
    const SearchStatement byPeriod = searchStatement(search.criteria());
    auto rawByPeriod = raw.prepare(byPeriod.sql);
    compare(
        "search_period", std::max(3, runs / 3), [&](int) { search.find(); },
        [&](int) {
            rawByPeriod.fetchAll({first, last});
        });
    search.leave();

    // --- period_report: the counts of one type's indicators over the month, into the in-memory
    // office (the statement is what is measured here, not an office).
    {
        office::MemoryOffice memory;
        office::setOffice(&memory);
        AnsweringOk answers;
        reports::JournalReports reports(labData, nullptr);
        const reports::JournalSelection selection{type, QStringLiteral("Вид %1").arg(type),
                                                  QString(), first, last};
        auto rawCounts = raw.prepare(reports::periodReportStatement());
        compare(
            "period_report", runs,
            [&](int) {
                reports.periodReport(selection);
                memory.sheets.clear();
            },
            [&](int) {
                rawCounts.fetchAll({first, last, type, type});
            });
        if (wanted("period_report") && !answers.told.isEmpty()) {
            QTextStream(stderr) << "period_report: " << answers.told.join(" | ") << "\n";
            office::setOffice(nullptr);
            return 1;
        }
        office::setOffice(nullptr);
    }

    // --- overview: the four panels of "Сводка" over one month of every institution and type,
    // beside the same four statements fetched straight; then the window's whole reading as an
    // absolute time.
    if (wanted("overview")) {
        data::Overview overview(labData.mainConnection);
        data::OverviewSelection selection;
        selection.from = first;
        selection.to = last;
        const QVariantMap values = {{"D1", first},
                                    {"D2", last},
                                    {"LPU", 0},
                                    {"N_LISSL", 0},
                                    {"MARK1", data::positiveAnswerMarks().value(0)},
                                    {"MARK2", data::positiveAnswerMarks().value(1)}};
        std::vector<std::pair<bench::RawSession::Statement, std::vector<QVariant>>> rawPanels;
        for (const QString& sql :
             {data::Overview::workloadStatement(selection.weekly()),
              data::Overview::turnaroundStatement(), data::Overview::staffStatement(),
              data::Overview::positivityStatement()}) {
            std::vector<QVariant> params;
            for (const QString& name : db::rewriteNamedParams(sql).names)
                params.push_back(values.value(name));
            rawPanels.emplace_back(raw.prepare(sql), params);
        }
        std::vector<double> times;
        compare(
            "overview", std::max(3, runs / 3),
            [&](int) {
                times.push_back(timeMs([&] {
                    overview.read(selection);
                    overview.close();
                }));
            },
            [&](int) {
                for (auto& [statement, params] : rawPanels) statement.fetchAll(params);
            });
        QTextStream(stdout) << QStringLiteral("overview_month app_ms=%1 limit_ms=2000\n")
                                   .arg(median(times), 0, 'f', 2);
    }

    // --- query_builder: a counting statement of the builder over one month of the register, as
    // "Выполнить" runs it from a saved file (types 3 and 5, three of their indicators, one
    // institution), beside the same text fetched straight. The text is the user's, not the
    // program's: its plan is the server's choice from the statistics, so both sides run on the
    // register with recomputed statistics and the line measures what the program adds. The time on
    // the stale statistics follows as information (what a register gains from "statistics" or a
    // restore).
    if (wanted("query_builder")) {
        query::Criteria criteria;
        criteria.period = query::Period{first, last};
        criteria.types = query::TypeSelection{{3, 5}, {21, 22, 41}};
        criteria.institutions = QStringList{QStringLiteral("ЛПУ 3")};
        const QStringList lines = query::statementLines(criteria);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("пример.sql"));
        {
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(query::fileText(lines));
        }
        AnsweringOk answers;
        answers.fileToOpen = file;
        LabData recomputed;
        recomputed.mainConnection.setDatabaseName(recomputedPath);
        recomputed.mainConnection.setParams(
            {"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="});
        recomputed.mainConnection.open();
        QueryBuilderWindow builder(recomputed);
        auto rawQuery = raw.prepare(lines.join(QLatin1Char('\n')));
        compare(
            "query_builder", runs, [&](int) { builder.execute(); },
            [&](int) { rawQuery.fetchAll({}); });
        if (!answers.told.isEmpty() || !builder.result() || builder.result()->isEmpty()) {
            QTextStream(stderr) << "query_builder: " << answers.told.join(" | ") << "\n";
            return 1;
        }
        QueryBuilderWindow onStale(labData);
        std::vector<double> stale;
        for (int i = 0; i < std::max(3, runs / 4); ++i)
            stale.push_back(timeMs([&] { onStale.execute(); }));
        QTextStream(stdout) << QStringLiteral("query_builder_stale_statistics app_ms=%1\n")
                                   .arg(median(stale), 0, 'f', 2);
    }

    if (wanted("result_sheet")) {
        try {
            resultSheet(runs);
        } catch (const std::exception& e) {
            QTextStream(stderr) << "result_sheet: " << QString::fromUtf8(e.what()) << "\n";
            return 1;
        }
    }
    if (wanted("named_report")) {
        try {
            namedReport(runs);
        } catch (const std::exception& e) {
            QTextStream(stderr) << "named_report: " << QString::fromUtf8(e.what()) << "\n";
            return 1;
        }
    }
    office::shutDownLibreOffice();
    return 0;
}
