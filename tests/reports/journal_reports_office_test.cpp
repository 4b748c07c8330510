// The journal's reports made by the real LibreOffice from a program running on a real database:
// the results journal in Writer, the named reports on their templates, the period report and
// the search grid's export. Each document is read back through UNO from the copy the archive
// folder keeps (and, for the journal that stays with the user, from the open document).
#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/BreakType.hpp>
#include <com/sun/star/style/ParagraphAdjust.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <tuple>

#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "journal/search_page.h"
#include "office_readback.h"
#include "reports/journal_reports.h"
#include "reports/office/office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_lookup_combo.h"

using namespace readback;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using office::CellRange;
using office::uno::fileUrl;
using office::uno::qstr;
using reports::NamedReportKind;

namespace {

// ---- the register ---------------------------------------------------------------------------

// Type 1 has 20 indicators "АТ-1".."АТ-20", type 2 has 21, "Б-1".."Б-21"; composition rows are
// added in reverse, so only their NPP gives the order.
constexpr int kIndicatorsOfType1 = 20;
constexpr int kIndicatorsOfType2 = 21;

QString indicatorName(int type, int i) {
    return (type == 1 ? QStringLiteral("АТ-%1") : QStringLiteral("Б-%1")).arg(i);
}
int indicatorKey(int type, int i) {
    return type * 100 + i;
}

struct Investigation {
    int key;
    int type;
    int npp;
    int nom;
    QString surname, firstName, patronymic;
    QDate born, sampled, delivered, resulted;  // a null date is NULL
    QString institution;                       // its name; COD_LPU 1 or 2
    QString department;                        // "" or the one department
    QString doctor;                            // "" or the one doctor
    QString residence;                         // PR_LIVE
    QList<int> missing;                        // indicators without a result row
    QList<int> empty;                          // indicators whose result is NULL
};

// A record of the register: the name as surname, first name and patronymic (missing parts left
// out), dates as yyyy-MM-dd or empty for NULL; NPP follows the key.
Investigation record(int key, int type, int nom, const QString& name, const char* born,
                     const char* sampled, const char* delivered, const char* resulted,
                     const QString& institution, const QString& department, const QString& doctor,
                     const QString& residence, const QList<int>& missing, const QList<int>& empty) {
    const QStringList parts = name.split(' ');
    const auto date = [](const char* text) { return QDate::fromString(text, Qt::ISODate); };
    Investigation r;
    r.key = r.npp = key;
    r.type = type;
    r.nom = nom;
    r.surname = parts.value(0);
    r.firstName = parts.value(1);
    r.patronymic = parts.value(2);
    r.born = date(born);
    r.sampled = date(sampled);
    r.delivered = date(delivered);
    r.resulted = date(resulted);
    r.institution = institution;
    r.department = department;
    r.doctor = doctor;
    r.residence = residence;
    r.missing = missing;
    r.empty = empty;
    return r;
}

// The journal's period is 1 November to 9 December 2026. Records 1 and 2 (type 1) and 5 and 6
// (type 2) have their results dated in it; record 3 was sampled in it but has no result date yet;
// record 4 lies before it. Record 2 lacks the row of indicator 10 and record 6 that of
// indicator 5; records 1 and 6 have a NULL result for indicators 4 and 15.
const QList<Investigation> kInvestigations = {
    record(1, 1, 501, "Петрова Анна Викторовна", "1990-02-01", "2026-12-09", "2026-12-09",
           "2026-12-09", "Амбулатория", "Инфекционное", "Белов И. С.", "4", {}, {4}),
    record(2, 1, 502, "Сидоров", "", "2026-11-20", "", "2026-12-01", "Больница", "", "", "0", {10},
           {}),
    record(3, 1, 503, "Бездатнов Иван Ильич", "", "2026-12-05", "", "", "Амбулатория", "", "", "1",
           {}, {}),
    record(4, 1, 504, "Ранний Олег Петрович", "", "2026-10-01", "", "2026-10-02", "Амбулатория", "",
           "", "2", {}, {}),
    record(5, 2, 505, "Смирнов Олег", "1985-07-30", "2026-11-30", "", "2026-12-02", "Больница", "",
           "", "3", {}, {}),
    record(6, 2, 506, "Кузнецова Мария Ивановна", "1979-03-03", "2026-12-03", "", "2026-12-04",
           "Амбулатория", "", "", "0", {5}, {15}),
};

// Distinct texts that the office would take for numbers, times and dates if they were typed.
QString resultOf(int key, int i) {
    switch (i % 3) {
        case 0:
            return QStringLiteral("1:%1").arg(10 * i + key);
        case 1:
            return QStringLiteral("%1,5").arg(100 * key + i);
        default:
            return QStringLiteral("отр %1.%2").arg(key).arg(i);
    }
}

// The text of indicator i of a record in a document: empty when its row is missing or NULL.
QString shownResult(const Investigation& r, int i) {
    return r.missing.contains(i) || r.empty.contains(i) ? QString() : resultOf(r.key, i);
}

QString sqlDate(const QDate& date) {
    return date.isNull() ? QStringLiteral("null")
                         : QLatin1Char('\'') + date.toString("yyyy-MM-dd") + QLatin1Char('\'');
}
QString shown(const QDate& date) {
    return date.toString("dd.MM.yyyy");
}
QString sqlText(const QString& text) {
    return text.isEmpty() ? QStringLiteral("null") : QLatin1Char('\'') + text + QLatin1Char('\'');
}

// Time norms (doctor, assistant) of some indicators of type 1.
const QList<std::tuple<int, QString, QString>> kNorms = {
    {1, "15", "0.5"}, {2, "20", "null"}, {3, "2.5", "null"}, {4, "32.5", "40"}};

QStringList fixture() {
    QStringList sql = {
        "insert into RECV_ST (COD, NAME, NAME_FULL) values (1, 'КДЛ', 'Лаборатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Больница')",
        "insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Инфекционное')",
        "insert into SP_VR (COD_VR, FIO) values (1, 'Белов И. С.')",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
        "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Иммуноблот', 2)",
    };
    int compositionRow = 1000;
    for (const auto& [type, count] : {std::pair{1, kIndicatorsOfType1}, {2, kIndicatorsOfType2}}) {
        for (int i = 1; i <= count; ++i) {
            QString doctor = "null", assistant = "null";
            for (const auto& [indicator, d, a] : kNorms)
                if (type == 1 && indicator == i) std::tie(doctor, assistant) = std::tie(d, a);
            sql << QStringLiteral(
                       "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, ED_IZM, NORMA_TIME, "
                       "NORMA_TIME_MS) values (%1, '%2', %3, %4, %5)")
                       .arg(indicatorKey(type, i))
                       .arg(indicatorName(type, i))
                       .arg(type == 1 && i == 1 ? "'ед/мл'" : "null")
                       .arg(doctor, assistant);
        }
        for (int i = count; i >= 1; --i)
            sql << QStringLiteral(
                       "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (%1, %2, "
                       "%3, %4)")
                       .arg(compositionRow--)
                       .arg(type)
                       .arg(indicatorKey(type, i))
                       .arg(i);
    }
    for (const Investigation& r : kInvestigations) {
        sql << QStringLiteral(
                   "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, COD_VR, NPP, NOM, "
                   "FAM, IMJA, OTCH, DAT_R, DAT_ISSLED, DAT_DOSTAV, DAT_REZULT, PR_LIVE) values "
                   "(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, %13, %14, '%15')")
                   .arg(r.key)
                   .arg(r.type)
                   .arg(r.institution == "Больница" ? 2 : 1)
                   .arg(r.department.isEmpty() ? "null" : "1")
                   .arg(r.doctor.isEmpty() ? "null" : "1")
                   .arg(r.npp)
                   .arg(r.nom)
                   .arg(sqlText(r.surname), sqlText(r.firstName), sqlText(r.patronymic),
                        sqlDate(r.born), sqlDate(r.sampled), sqlDate(r.delivered),
                        sqlDate(r.resulted), r.residence);
        const int count = r.type == 1 ? kIndicatorsOfType1 : kIndicatorsOfType2;
        for (int i = 1; i <= count; ++i)
            if (!r.missing.contains(i))
                sql << QStringLiteral(
                           "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values "
                           "(%1, %2, %3, %4)")
                           .arg(indicatorKey(r.type, i))
                           .arg(r.type)
                           .arg(r.key)
                           .arg(r.empty.contains(i) ? QStringLiteral("null")
                                                    : sqlText(resultOf(r.key, i)));
    }
    // A result of an indicator outside record 1's type, which no document of the type shows.
    sql << QStringLiteral(
               "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (%1, 1, 1, "
               "'чужой')")
               .arg(indicatorKey(2, 1));
    sql << "set generator GEN_ISSLED_ID to 100";
    return sql;
}

const Investigation& investigation(int key) {
    for (const Investigation& r : kInvestigations)
        if (r.key == key) return r;
    throw std::logic_error("no such investigation");
}

// ---- reading documents back -----------------------------------------------------------------

bool supports(const Ref<css::uno::XInterface>& object, const char* service) {
    const Ref<css::lang::XServiceInfo> info(object, UNO_QUERY);
    return info.is() && info->supportsService(rtl::OUString::createFromAscii(service));
}

bool isBold(const Ref<css::uno::XInterface>& object) {
    return property<float>(object, "CharWeight") == css::awt::FontWeight::BOLD;
}

// A text document's body: its paragraphs and tables in document order.
struct WriterBody {
    QList<Ref<css::text::XTextRange>> paragraphs;
    QList<Ref<css::text::XTextTable>> tables;
    QList<int> paragraphsBeforeTable;
};

WriterBody bodyOf(const Ref<css::frame::XModel>& model) {
    WriterBody body;
    const Ref<css::text::XText> text =
        Ref<css::text::XTextDocument>(model, UNO_QUERY_THROW)->getText();
    const Ref<css::container::XEnumeration> parts =
        Ref<css::container::XEnumerationAccess>(text, UNO_QUERY_THROW)->createEnumeration();
    while (parts->hasMoreElements()) {
        const Ref<css::uno::XInterface> part(parts->nextElement(), UNO_QUERY_THROW);
        if (supports(part, "com.sun.star.text.TextTable")) {
            body.tables << Ref<css::text::XTextTable>(part, UNO_QUERY_THROW);
            body.paragraphsBeforeTable << int(body.paragraphs.size());
        } else {
            body.paragraphs << Ref<css::text::XTextRange>(part, UNO_QUERY_THROW);
        }
    }
    return body;
}

int columnCount(const Ref<css::text::XTextTable>& table) {
    return table->getColumns()->getCount();
}
int rowCount(const Ref<css::text::XTextTable>& table) {
    return table->getRows()->getCount();
}

Ref<css::uno::XInterface> tableCell(const Ref<css::text::XTextTable>& table, int row, int column) {
    return Ref<css::table::XCellRange>(table, UNO_QUERY_THROW)
        ->getCellByPosition(column - 1, row - 1);
}

// The whole text of a cell, to read its character properties.
Ref<css::uno::XInterface> cellTextOf(const Ref<css::text::XTextTable>& table, int row, int column) {
    const Ref<css::text::XText> text(tableCell(table, row, column), UNO_QUERY_THROW);
    const Ref<css::text::XTextCursor> all = text->createTextCursor();
    all->gotoEnd(true);
    return Ref<css::uno::XInterface>(all, UNO_QUERY_THROW);
}

// One row of a table, 1-based.
QStringList tableRow(const Ref<css::text::XTextTable>& table, int row) {
    QStringList texts;
    for (int c = 1; c <= columnCount(table); ++c)
        texts << qstr(
            Ref<css::text::XTextRange>(tableCell(table, row, c), UNO_QUERY_THROW)->getString());
    return texts;
}

// The page that the first cell of a table lies on, as the document's layout has it.
int pageOf(const Ref<css::frame::XModel>& model, const Ref<css::text::XTextTable>& table) {
    const Ref<css::text::XTextViewCursor> cursor =
        Ref<css::text::XTextViewCursorSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
            ->getViewCursor();
    cursor->gotoRange(Ref<css::text::XText>(tableCell(table, 1, 1), UNO_QUERY_THROW)->getStart(),
                      false);
    return Ref<css::text::XPageCursor>(cursor, UNO_QUERY_THROW)->getPage();
}

// The page style of the document's first paragraph.
Ref<css::uno::XInterface> pageStyleOf(const Ref<css::frame::XModel>& model,
                                      const Ref<css::text::XTextRange>& paragraph) {
    const auto name = property<rtl::OUString>(paragraph, "PageStyleName");
    const Ref<css::container::XNameAccess> styles(
        Ref<css::style::XStyleFamiliesSupplier>(model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles"),
        UNO_QUERY_THROW);
    return Ref<css::uno::XInterface>(styles->getByName(name), UNO_QUERY_THROW);
}

// No line on any side of any cell of the range (the office tells each cell's own lines).
void expectUnruled(const Ref<css::uno::XInterface>& range, const std::string& what) {
    const auto border = property<css::table::TableBorder2>(range, "TableBorder2");
    const std::pair<const char*, const css::table::BorderLine2&> lines[] = {
        {"top", border.TopLine},
        {"bottom", border.BottomLine},
        {"left", border.LeftLine},
        {"right", border.RightLine},
        {"horizontal", border.HorizontalLine},
        {"vertical", border.VerticalLine}};
    for (const auto& [name, line] : lines) EXPECT_EQ(line.LineWidth, 0u) << what << ": " << name;
}

// Ruled exactly over rows top..bottom and columns 1..right: the row below and the column to the
// right have no lines of their own.
void expectRuledArea(const Ref<css::sheet::XSpreadsheet>& s, int top, int bottom, int right,
                     const std::string& what) {
    expectRuled(rangeAt(s, top, 1, bottom, right), what);
    expectUnruled(rangeAt(s, bottom + 1, 1, bottom + 1, right + 1), what + ", the row below");
    expectUnruled(rangeAt(s, top, right + 1, bottom, right + 1), what + ", the column after");
}

// ---- the tests ------------------------------------------------------------------------------

class JournalReportsOfficeTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(archive_.isValid());
        office::setOffice(nullptr);
        initial_ = openModels();  // the office runs (started now if need be) before anything
        start(fixture());
        session().documentArchive = archive_.path();
        page().periodFrom->setDate(QDate(2026, 11, 1));
        page().periodTo->setDate(QDate(2026, 12, 9));
        page().reloadForPeriod();
        chooseType(1);
    }
    void TearDown() override {
        ProgramTest::TearDown();
        for (const QString& path : placed_) QFile::remove(path);
        // Whatever a failed test left open goes, so the next one counts from a clean office.
        for (const auto& model : openModels())
            if (!initial_.contains(model)) closeComponent(model);
    }

    MainWindow& form() { return *(*program_)->mainWindow; }
    JournalPage& page() { return *form().journalPage; }
    void chooseType(int type) {
        page().typeSelector->setKeyValue(type);
        ASSERT_EQ(session().investigationType, type);
    }

    // The documents of ours open now.
    QList<Ref<css::frame::XModel>> ours() const {
        QList<Ref<css::frame::XModel>> documents;
        for (const auto& model : openModels())
            if (!initial_.contains(model)) documents << model;
        return documents;
    }

    // The base path of the one copy of a kind in the archive, checked to hold its PDF and its
    // ODF file; empty (and a failure) otherwise.
    QString archived(const QString& kind, const QString& extension) {
        return archivedIn(archive_.path(), kind, extension);
    }
    static QString archivedIn(const QString& path, const QString& kind, const QString& extension) {
        const QDir folder(path);
        const QRegularExpression name(
            QStringLiteral(R"(^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_%1\.(pdf|%2)$)")
                .arg(QRegularExpression::escape(kind), extension));
        QStringList files;
        for (const QString& file : folder.entryList(QDir::Files, QDir::Name))
            if (name.match(file).hasMatch()) files << file;
        EXPECT_EQ(files.size(), 2) << folder.entryList(QDir::Files).join(" ").toStdString();
        if (files.size() != 2) return {};
        const QString base = folder.filePath(files[0].chopped(4));
        EXPECT_TRUE(fileBytes(base + ".pdf").startsWith("%PDF"));
        EXPECT_TRUE(fileBytes(base + "." + extension).startsWith("PK"));
        return base;
    }

    // Opens a copy, hidden; closed again by the test or its tear-down.
    Ref<css::frame::XModel> openCopy(const QString& path) {
        return Ref<css::frame::XModel>(loadHidden(fileUrl(path)), UNO_QUERY_THROW);
    }

    // The named report's template beside the test binary, where the program looks for it.
    QString placeTemplate(NamedReportKind kind) {
        const QString path = reports::JournalReports::namedReportTemplate(kind);
        placed_ << path;
        QFile::remove(path);
        return path;
    }

    QTemporaryDir archive_;
    QList<Ref<css::frame::XModel>> initial_;
    QStringList placed_;
};

// The fixed columns of the journal's first table for a record.
QStringList journalFixedColumns(const Investigation& r) {
    return {QString::number(r.nom), reports::shortName(r.surname, r.firstName, r.patronymic),
            shown(r.born), shown(r.sampled)};
}

TEST_F(JournalReportsOfficeTest, ResultsJournalIsALandscapeDocumentOfOneTableOrTwoOnTwoPages) {
    const struct {
        int type;
        QString typeText;
        int indicators;
        QList<int> tableColumns;
        QList<int> records;  // in the order of NPP
        int pages;
    } cases[] = {
        {1, "ИФА ВИЧ", kIndicatorsOfType1, {24}, {1, 2}, 1},
        {2, "Иммуноблот", kIndicatorsOfType2, {12, 14}, {5, 6}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        QTemporaryDir archive;
        session().documentArchive = archive.path();
        chooseType(c.type);
        page().journalDocumentButton->click();
        ASSERT_TRUE(dialogs_.texts().isEmpty()) << dialogs_.texts().join(" | ").toStdString();

        // The document stays open and visible with the user.
        const auto left = ours();
        ASSERT_EQ(left.size(), 1);
        const Ref<css::frame::XModel> open = left[0];
        ASSERT_TRUE(supports(open, "com.sun.star.text.TextDocument"));
        EXPECT_TRUE(
            Ref<css::awt::XWindow2>(open->getCurrentController()->getFrame()->getContainerWindow(),
                                    UNO_QUERY_THROW)
                ->isVisible());
        EXPECT_EQ(bodyOf(open).tables.size(), c.tableColumns.size());

        // Read back from the archive's copy.
        const QString base = archivedIn(archive.path(), "journal", "odt");
        ASSERT_FALSE(base.isEmpty());
        EXPECT_EQ(pdfPages(base + ".pdf"), c.pages);
        const Ref<css::frame::XModel> copy = openCopy(base + ".odt");
        const WriterBody body = bodyOf(copy);

        ASSERT_GE(body.paragraphs.size(), 2);
        const auto style = pageStyleOf(copy, body.paragraphs[0]);
        EXPECT_TRUE(property<bool>(style, "IsLandscape"));
        EXPECT_GT(property<sal_Int32>(style, "Width"), property<sal_Int32>(style, "Height"));
        const QStringList titles = {
            c.typeText + "    ЛПУ - Амбулатория",
            "результаты проведенных исследований за 01.11.2026 - 09.12.2026"};
        for (int p = 0; p < 2; ++p) {
            SCOPED_TRACE("title " + std::to_string(p + 1));
            EXPECT_EQ(qstr(body.paragraphs[p]->getString()), titles[p]);
            EXPECT_TRUE(isBold(body.paragraphs[p]));
            EXPECT_EQ(property<float>(body.paragraphs[p], "CharHeight"), 10.0f);
            EXPECT_EQ(property<sal_Int16>(body.paragraphs[p], "ParaAdjust"),
                      sal_Int16(css::style::ParagraphAdjust_CENTER));
        }

        ASSERT_EQ(body.tables.size(), c.tableColumns.size());
        // Each table's titles and rows; every indicator in exactly one table, each result under
        // its own title.
        QStringList titlesRead, expectedTitles;
        for (int i = 1; i <= c.indicators; ++i) expectedTitles << indicatorName(c.type, i);
        QList<QStringList> resultsRead(c.records.size());
        for (int t = 0; t < body.tables.size(); ++t) {
            SCOPED_TRACE("table " + std::to_string(t + 1));
            const auto& table = body.tables[t];
            ASSERT_EQ(columnCount(table), c.tableColumns[t]);
            ASSERT_EQ(rowCount(table), 1 + c.records.size());
            const QStringList header = tableRow(table, 1);
            const int fixed = t == 0 ? 4 : 1;
            const QStringList fixedTitles =
                t == 0 ? QStringList{"ID пациента", "Ф.И.О. пациента", "Дата рождения",
                                     "Дата взятия материала"}
                       : QStringList{"Ф.И.О. пациента"};
            EXPECT_EQ(header.mid(0, fixed), fixedTitles);
            titlesRead += header.mid(fixed);
            for (int r = 0; r < c.records.size(); ++r) {
                const Investigation& record = investigation(c.records[r]);
                const QStringList line = tableRow(table, 2 + r);
                EXPECT_EQ(line.mid(0, fixed), t == 0 ? journalFixedColumns(record)
                                                     : QStringList{journalFixedColumns(record)[1]});
                resultsRead[r] += line.mid(fixed);
            }
            EXPECT_EQ(property<float>(cellTextOf(table, 2, 2), "CharHeight"), 8.0f);
            EXPECT_FALSE(isBold(cellTextOf(table, 2, 2)));
            EXPECT_EQ(pageOf(copy, table), t + 1);
        }
        EXPECT_EQ(titlesRead, expectedTitles);
        for (int r = 0; r < c.records.size(); ++r) {
            const Investigation& record = investigation(c.records[r]);
            QStringList expected;
            for (int i = 1; i <= c.indicators; ++i) expected << shownResult(record, i);
            EXPECT_EQ(resultsRead[r], expected) << "record " << record.key;
        }
        if (body.tables.size() == 2) {
            // The page break stands between the tables, on a paragraph after the first.
            bool breakBefore = false;
            for (int p = body.paragraphsBeforeTable[0]; p < body.paragraphsBeforeTable[1]; ++p)
                breakBefore = breakBefore ||
                              property<css::style::BreakType>(body.paragraphs[p], "BreakType") ==
                                  css::style::BreakType_PAGE_BEFORE;
            EXPECT_TRUE(breakBefore);
        }
        closeComponent(copy);
        closeComponent(open);
        EXPECT_TRUE(ours().isEmpty());
    }
}

// The data columns of the short named report for a record.
QStringList shortReportColumns(const Investigation& r) {
    return {QString::number(r.npp), r.institution,    r.department,
            QString::number(r.nom), r.surname,        r.firstName,
            r.patronymic,           shown(r.sampled), shown(r.delivered),
            shown(r.resulted),      r.doctor};
}

TEST_F(JournalReportsOfficeTest, NamedReportsFillTheirTemplatesAndRuleToTheLastIndicator) {
    // The short report on the template the program ships; the full one on a laboratory's own
    // plain template made by the office, where no ruling nor bold comes from the template.
    const QString shipped = QDir(LABJOURNAL_PROGRAM_DIR).filePath("Отчет поименный.xlt");
    ASSERT_TRUE(QFileInfo::exists(shipped)) << "the templates are built with the program";
    ASSERT_TRUE(QFile::copy(shipped, placeTemplate(NamedReportKind::Short)));
    makeTemplate(placeTemplate(NamedReportKind::Full), [](const Ref<css::frame::XModel>& model) {
        const auto s = sheetAt(model, 0);
        writeAt(s, 3, 1, "№ пп");
        writeAt(s, 3, 12, "Житель");
        writeAt(s, 3, 26, "Врач");
    });
    const QByteArray shippedBytes = fileBytes(shipped);
    ASSERT_FALSE(shippedBytes.isEmpty());

    const struct {
        NamedReportKind kind;
        QAction* action;
        QString copyKind;
        int firstIndicator;
        // Data cells of records 1 and 2 (rows 4 and 5) to check.
        QList<std::tuple<int, int, QString>> cells;
    } cases[] = {
        {NamedReportKind::Short, form().namedReportAction, "named", 12, {}},
        {NamedReportKind::Full,
         form().fullNamedReportAction,
         "named-full",
         27,
         {{3, 1, "№ пп"},
          {3, 12, "Житель"},
          {3, 26, "Врач"},
          {4, 1, "1"},
          {4, 2, "Амбулатория"},
          {4, 4, "501"},
          {4, 6, "Петрова"},
          {4, 8, "Викторовна"},
          {4, 10, "01.02.1990"},
          {4, 12, "иностранный гражд."},
          {5, 12, "города"},
          {4, 22, "09.12.2026"},
          {4, 24, "09.12.2026"},
          {5, 24, "01.12.2026"},
          {4, 26, "Белов И. С."},
          {5, 26, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copyKind.toStdString());
        dialogs_.messages.clear();
        c.action->trigger();
        EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
        EXPECT_TRUE(ours().isEmpty()) << "OK closes the report";
        const QString base = archived(c.copyKind, "ods");
        ASSERT_FALSE(base.isEmpty());
        const Ref<css::frame::XModel> copy = openCopy(base + ".ods");
        const auto s = activeSheet(copy);

        const int last = c.firstIndicator + kIndicatorsOfType1 - 1;
        EXPECT_EQ(textAt(s, 1, 1), "ИФА ВИЧ");
        EXPECT_EQ(textAt(s, 2, 1), "период 01.11.2026 - 09.12.2026");
        for (int i = 1; i <= kIndicatorsOfType1; ++i) {
            const int column = c.firstIndicator + i - 1;
            SCOPED_TRACE("indicator " + std::to_string(i));
            EXPECT_EQ(textAt(s, 3, column), indicatorName(1, i));
            EXPECT_TRUE(isBold(cellAt(s, 3, column)));
            // Records 1 and 2 in the order of NPP; record 2 lacks indicator 10, record 1 has a
            // NULL for indicator 4.
            for (int row : {4, 5}) {
                const Investigation& r = investigation(row - 3);
                EXPECT_EQ(textAt(s, row, column), shownResult(r, i)) << "row " << row;
                EXPECT_FALSE(isBold(cellAt(s, row, column)));
                if (!shownResult(r, i).isEmpty()) {
                    EXPECT_EQ(cellAt(s, row, column)->getType(), css::table::CellContentType_TEXT);
                }
            }
        }
        EXPECT_TRUE(textAt(s, 3, last + 1).isEmpty());
        EXPECT_TRUE(textAt(s, 6, 1).isEmpty()) << "records 3 and 4 are not listed";
        EXPECT_TRUE(isBold(cellAt(s, 3, 1)));
        if (c.kind == NamedReportKind::Short) {
            for (int row : {4, 5}) {
                QStringList line;
                for (int column = 1; column <= 11; ++column) line << textAt(s, row, column);
                EXPECT_EQ(line, shortReportColumns(investigation(row - 3))) << "row " << row;
            }
            // The template's own titles, merges and layout stay.
            EXPECT_EQ(textAt(s, 3, 1), "№ пп");
            EXPECT_EQ(textAt(s, 3, 11), "Врач");
            EXPECT_EQ(mergedArea(s, 1, 1), CellRange::of(1, 1, 1, 11));
            EXPECT_EQ(fileBytes(reports::JournalReports::namedReportTemplate(c.kind)), shippedBytes)
                << "the template itself stays as it was";
        }
        for (const auto& [row, column, text] : c.cells)
            EXPECT_EQ(textAt(s, row, column), text) << "row " << row << " column " << column;
        expectRuledArea(s, 3, 5, last, "titles and records");
        closeComponent(copy);
    }
}

TEST_F(JournalReportsOfficeTest, PeriodReportCountsIndicatorsWithTheirTimesInARuledTable) {
    bool progressShown = false;
    QObject::connect(form().progressBar, &QProgressBar::valueChanged,
                     [&] { progressShown = progressShown || form().progressBar->isVisible(); });
    form().periodReportAction->trigger();
    EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
    EXPECT_TRUE(ours().isEmpty()) << "OK closes the report";
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(form().progressBar->isVisible());

    const QString base = archived("period", "ods");
    ASSERT_FALSE(base.isEmpty());
    const Ref<css::frame::XModel> copy = openCopy(base + ".ods");
    const auto s = activeSheet(copy);
    // Records 1, 2 and 3 were sampled in the period (record 3 has no result date, which does
    // not matter here); record 1's NULL and record 2's missing row are not counted.
    const QList<std::tuple<int, int, QString>> cells = {
        {1, 1, "Отчет за период"},
        {2, 1, " с 01.11.2026 по 09.12.2026"},
        {3, 1, "ИФА ВИЧ"},
        {4, 1, "Показатель"},
        {4, 2, "Ед.изм."},
        {4, 3, "Кол-во"},
        {4, 4, "Время (врач)"},
        {4, 5, "Время (лаборант)"},
        {5, 1, "АТ-1"},
        {5, 2, "ед/мл"},
        {5, 3, "3"},
        {5, 4, "45мин"},
        {5, 5, "1,5мин"},
        {6, 1, "АТ-2"},
        {6, 3, "3"},
        {6, 4, "1ч"},
        {6, 5, ""},
        {7, 1, "АТ-3"},
        {7, 4, "7,5мин"},
        {8, 1, "АТ-4"},
        {8, 3, "2"},
        {8, 4, "1ч 5мин"},
        {8, 5, "1ч 20мин"},
        {9, 1, "АТ-5"},
        {9, 3, "3"},
        {9, 4, ""},
        {14, 1, "АТ-10"},
        {14, 3, "2"},
        {24, 1, "АТ-20"},
        {24, 3, "3"},
        {25, 1, ""},
    };
    for (const auto& [row, column, text] : cells) {
        SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
        EXPECT_EQ(textAt(s, row, column), text);
        if (!text.isEmpty()) {
            EXPECT_EQ(cellAt(s, row, column)->getType(), css::table::CellContentType_TEXT);
        }
    }
    for (int row = 1; row <= 5; ++row)
        for (int column = 1; column <= 5; ++column)
            EXPECT_EQ(isBold(cellAt(s, row, column)), row <= 4)
                << "row " << row << " column " << column;
    expectRuledArea(s, 4, 24, 5, "titles and counts");
    expectUnruled(rangeAt(s, 1, 1, 3, 5), "the title rows");
    closeComponent(copy);
}

TEST_F(JournalReportsOfficeTest, SearchGridExportShowsTheGridsTextsInARuledTable) {
    form().findPatientAction->trigger();
    SearchPage& search = *form().searchPage;
    search.periodFrom->setDate(QDate(2026, 11, 1));
    search.periodTo->setDate(QDate(2026, 12, 9));
    search.findButton->click();
    const int found = search.found.recordCount();
    ASSERT_EQ(found, 5) << "records 1, 2, 3, 5 and 6 were sampled in the period";
    search.exportAction->trigger();
    EXPECT_EQ(dialogs_.texts(), QStringList{"Закрыть EXCEL?"});
    EXPECT_TRUE(ours().isEmpty()) << "OK closes the sheet";

    const QString base = archived("export", "ods");
    ASSERT_FALSE(base.isEmpty());
    const Ref<css::frame::XModel> copy = openCopy(base + ".ods");
    const auto s = activeSheet(copy);
    constexpr int kColumns = 23;
    const QList<std::pair<int, QString>> titles = {{1, "Исследование"},
                                                   {2, "ЛПУ"},
                                                   {6, "Фамилия пациента"},
                                                   {11, "Возраст"},
                                                   {13, "Житель города\\ села"},
                                                   {18, "Дата взятия анализа"},
                                                   {20, "Дата результата"},
                                                   {21, "Врач"},
                                                   {23, "Диагноз"}};
    for (const auto& [column, title] : titles) EXPECT_EQ(textAt(s, 1, column), title) << column;
    EXPECT_TRUE(textAt(s, 1, kColumns + 1).isEmpty());

    // Each record once, on the row of its surname, as the grid shows it.
    const QList<std::tuple<int, QString, QString, QString>> records = {
        // key, type, residence caption, result date
        {1, "ИФА ВИЧ", "иностранный гражд.", "09.12.2026"},
        {2, "ИФА ВИЧ", "города", "01.12.2026"},
        {3, "ИФА ВИЧ", "области", ""},
        {5, "Иммуноблот", "иногородний", "02.12.2026"},
        {6, "Иммуноблот", "города", "04.12.2026"}};
    QList<int> rowsSeen;
    for (const auto& [key, type, residence, resulted] : records) {
        const Investigation& r = investigation(key);
        SCOPED_TRACE(r.surname.toStdString());
        int row = 0;
        for (int candidate = 2; candidate <= found + 1; ++candidate)
            if (textAt(s, candidate, 6) == r.surname) row = candidate;
        ASSERT_GT(row, 0);
        rowsSeen << row;
        EXPECT_EQ(textAt(s, row, 1), type);
        EXPECT_EQ(textAt(s, row, 2), r.institution);
        EXPECT_EQ(textAt(s, row, 4), QString::number(r.nom));
        EXPECT_EQ(textAt(s, row, 13), residence) << "the caption, never the code";
        EXPECT_EQ(textAt(s, row, 18), shown(r.sampled));
        EXPECT_EQ(textAt(s, row, 20), resulted);
        EXPECT_EQ(cellAt(s, row, 18)->getType(), css::table::CellContentType_TEXT);
        EXPECT_FALSE(isBold(cellAt(s, row, 6)));
    }
    std::sort(rowsSeen.begin(), rowsSeen.end());
    EXPECT_EQ(rowsSeen, (QList<int>{2, 3, 4, 5, 6}));
    for (int column = 1; column <= kColumns; ++column)
        EXPECT_TRUE(isBold(cellAt(s, 1, column))) << column;
    expectRuledArea(s, 1, found + 1, kColumns, "header and records");
    closeComponent(copy);
}

TEST_F(JournalReportsOfficeTest, OnlyTheJournalStaysOpenAfterEveryReportWasMade) {
    ASSERT_TRUE(QFile::copy(QDir(LABJOURNAL_PROGRAM_DIR).filePath("Отчет поименный.xlt"),
                            placeTemplate(NamedReportKind::Short)));
    page().journalDocumentButton->click();
    form().namedReportAction->trigger();
    form().periodReportAction->trigger();
    form().findPatientAction->trigger();
    form().searchPage->findButton->click();
    form().searchPage->exportAction->trigger();
    EXPECT_EQ(dialogs_.texts(), QStringList(3, "Закрыть EXCEL?"));
    const auto left = ours();
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(supports(left[0], "com.sun.star.text.TextDocument"));
    EXPECT_EQ(QDir(archive_.path()).entryList(QDir::Files).size(), 8) << "four kinds, two files";
    closeComponent(left[0]);

    // Closing the box without OK leaves the sheet with the user.
    dialogs_.okAnswers = {false};
    form().periodReportAction->trigger();
    ASSERT_EQ(ours().size(), 1);
    EXPECT_TRUE(supports(ours()[0], "com.sun.star.sheet.SpreadsheetDocument"));
    EXPECT_EQ(textAt(activeSheet(ours()[0]), 5, 1), "АТ-1");
    closeComponent(ours()[0]);
}

}  // namespace
