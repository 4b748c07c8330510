// The LibreOffice office against a real headless LibreOffice: documents are read back through UNO
// before they are closed. One office process serves the whole test binary.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/theUICommandDescription.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/style/BreakType.hpp>
#include <com/sun/star/style/ParagraphAdjust.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <functional>
#include <iostream>

#include "db/firebird.h"
#include "office_readback.h"
#include "reports/office/excel_workbook.h"
#include "reports/office/libreoffice.h"
#include "reports/office/libreoffice_uno.h"
#include "support/temp_database.h"

using namespace office::uno;
using namespace readback;
using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using office::CellRange;
using office::OfficeError;

namespace {

office::Office& lo() {
    return office::libreOffice();
}

bool processAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    return line.at(line.lastIndexOf(')') + 2) != 'Z';
}

bool waitUntilGone(qint64 pid, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (processAlive(pid)) {
        if (timer.elapsed() > ms) return false;
        QThread::msleep(50);
    }
    return true;
}

// The started process and all of its descendants.
QList<qint64> processTree(qint64 root) {
    QList<qint64> tree{root};
    for (qsizetype i = 0; i < tree.size(); ++i) {
        const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : all) {
            bool number = false;
            const qint64 pid = entry.toLongLong(&number);
            if (!number) continue;
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly)) continue;
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields[1].toLongLong() == tree[i] && !tree.contains(pid))
                tree << pid;
        }
    }
    return tree;
}

class LibreOfficeTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    QString file(const QString& name) const { return dir_.filePath(name); }
};

TEST_F(LibreOfficeTest, RunsItsOwnOfficeWithAProfileOfItsOwnOnAPrivatePipe) {
    QElapsedTimer timer;
    timer.start();
    auto sheet = lo().newSpreadsheet();
    std::cout << "[ timing ] first spreadsheet (office started if needed): " << timer.elapsed()
              << " ms\n";
    const qint64 pid = processId();
    ASSERT_TRUE(processAlive(pid));

    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    const QList<QByteArray> arguments = cmdline.readAll().split('\0');
    const QString profile =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/office-profile";
    EXPECT_TRUE(arguments.contains("-env:UserInstallation=file://" + profile.toUtf8()))
        << arguments.join(' ').toStdString();
    EXPECT_TRUE(std::any_of(arguments.begin(), arguments.end(), [](const QByteArray& a) {
        return a.startsWith("--accept=pipe,name=labjournal_") && a.endsWith(";urp;");
    }));
    // The tests run off-screen: so does the office.
    EXPECT_TRUE(arguments.contains("--headless"));
    EXPECT_TRUE(QFileInfo(profile + "/user").isDir());
    // The profile is the tests' own, never the user's (see tests/CMakeLists.txt).
    EXPECT_TRUE(profile.startsWith(qEnvironmentVariable("HOME"))) << profile.toStdString();

    // One office for everything: a second document comes from the same process.
    auto text = lo().newTextDocument();
    EXPECT_EQ(processId(), pid);
}

TEST_F(LibreOfficeTest, TemplateGivesAnUntitledDocumentAndStaysUnchanged) {
    const QString path = makeTemplate(file("Результат.xlt"), [](const Ref<css::frame::XModel>& m) {
        writeAt(activeSheet(m), 1, 1, "Бланк результата");
        writeAt(activeSheet(m), 17, 1, "Показатель");
    });
    const QByteArray before = fileBytes(path);
    ASSERT_FALSE(before.isEmpty());
    const QDateTime modified = QFileInfo(path).lastModified();

    {
        auto sheet = lo().newSpreadsheet(path);
        const Ref<css::frame::XModel> model = modelOf(*sheet);
        EXPECT_TRUE(model->getURL().isEmpty()) << "a new untitled document, not the template";
        EXPECT_EQ(textAt(activeSheet(model), 1, 1), "Бланк результата");
        EXPECT_EQ(textAt(activeSheet(model), 17, 1), "Показатель");
        sheet->setText(18, 1, "ВИЧ");
        sheet->setRuled(CellRange::of(17, 1, 18, 3));
        sheet->saveCopy(file("copy"));
        EXPECT_TRUE(model->getURL().isEmpty()) << "a copy does not rename the document";
        sheet->close();
    }
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
}

TEST_F(LibreOfficeTest, CellTextsStayLiteralOneByOneAndAsABlock) {
    const QStringList texts{"+",    "1/2", "1:40", "=A1",           "'5",
                            "0012", "3,5", "1e3",  "Фёдорова Ю. Ю."};
    auto sheet = lo().newSpreadsheet();
    QList<QStringList> block;
    for (int i = 0; i < texts.size(); ++i) {
        sheet->setText(i + 1, 1, texts[i]);
        block << QStringList{texts[i], QString::number(i)};
    }
    sheet->setTexts(1, 3, block);

    const Ref<css::sheet::XSpreadsheet> s = activeSheet(modelOf(*sheet));
    for (int i = 0; i < texts.size(); ++i) {
        for (int column : {1, 3}) {
            SCOPED_TRACE(texts[i].toStdString() + " in column " + std::to_string(column));
            EXPECT_EQ(textAt(s, i + 1, column), texts[i]);
            EXPECT_EQ(cellAt(s, i + 1, column)->getType(), css::table::CellContentType_TEXT);
        }
        EXPECT_EQ(textAt(s, i + 1, 4), QString::number(i));
        // Numbers as text too: a block is written as texts.
        EXPECT_EQ(cellAt(s, i + 1, 4)->getType(), css::table::CellContentType_TEXT);
    }
}

TEST_F(LibreOfficeTest, BlockLandsAtItsCornerAndMustBeRectangular) {
    auto sheet = lo().newSpreadsheet();
    sheet->setTexts(3, 2, {{"a", "b", "c"}, {"d", "e", "f"}});
    const Ref<css::sheet::XSpreadsheet> s = activeSheet(modelOf(*sheet));
    EXPECT_EQ(textAt(s, 3, 2), "a");
    EXPECT_EQ(textAt(s, 3, 4), "c");
    EXPECT_EQ(textAt(s, 4, 2), "d");
    EXPECT_EQ(textAt(s, 4, 4), "f");
    for (auto [row, column] : {std::pair{2, 2}, {3, 1}, {3, 5}, {5, 2}})
        EXPECT_EQ(cellAt(s, row, column)->getType(), css::table::CellContentType_EMPTY)
            << row << "," << column;

    EXPECT_THROW(sheet->setTexts(1, 1, {{"a", "b"}, {"c"}}), OfficeError);
    EXPECT_THROW(sheet->setTexts(0, 1, {{"a"}}), OfficeError);
    EXPECT_THROW(sheet->setText(1, 0, "a"), OfficeError);
}

TEST_F(LibreOfficeTest, RuledBoldMergedAndAlignedRangesReadBack) {
    auto sheet = lo().newSpreadsheet();
    const Ref<css::sheet::XSpreadsheet> s = activeSheet(modelOf(*sheet));

    // Corners given the wrong way round, through of() and written directly.
    sheet->setRuled(CellRange::of(4, 3, 2, 1));
    expectRuled(s->getCellRangeByName("A2:C4"), "A2:C4");
    expectRuled(s->getCellRangeByName("B3"), "inner cell B3", false);
    const auto outside =
        property<css::table::TableBorder2>(s->getCellRangeByName("E6"), "TableBorder2");
    EXPECT_EQ(outside.TopLine.LineWidth, 0u);
    EXPECT_EQ(outside.LeftLine.LineWidth, 0u);

    sheet->setBold(CellRange{5, 4, 2, 2});
    for (const char* cell : {"B2", "D5", "C3"})
        EXPECT_FLOAT_EQ(property<float>(s->getCellRangeByName(rtl::OUString::createFromAscii(cell)),
                                        "CharWeight"),
                        css::awt::FontWeight::BOLD)
            << cell;
    for (const char* cell : {"A2", "E5", "B6", "B1"})
        EXPECT_FLOAT_EQ(property<float>(s->getCellRangeByName(rtl::OUString::createFromAscii(cell)),
                                        "CharWeight"),
                        css::awt::FontWeight::NORMAL)
            << cell;

    sheet->merge(CellRange::of(9, 2, 8, 1));
    EXPECT_TRUE(
        Ref<css::util::XMergeable>(s->getCellRangeByName("A8:B9"), UNO_QUERY_THROW)->getIsMerged());
    EXPECT_FALSE(Ref<css::util::XMergeable>(s->getCellRangeByName("A10:B10"), UNO_QUERY_THROW)
                     ->getIsMerged());

    const std::pair<office::Alignment, css::table::CellHoriJustify> alignments[] = {
        {office::Alignment::Left, css::table::CellHoriJustify_LEFT},
        {office::Alignment::Center, css::table::CellHoriJustify_CENTER},
        {office::Alignment::Right, css::table::CellHoriJustify_RIGHT},
        {office::Alignment::General, css::table::CellHoriJustify_STANDARD},
    };
    int row = 12;
    for (const auto& [alignment, justify] : alignments) {
        sheet->setAlignment(CellRange::of(row, 3, row, 1), alignment);
        for (int column = 1; column <= 3; ++column)
            EXPECT_EQ(property<css::table::CellHoriJustify>(cellAt(s, row, column), "HoriJustify"),
                      justify)
                << "row " << row << " column " << column;
        ++row;
    }
    // Alignment is set, not toggled: General after Center puts it back.
    sheet->setAlignment(CellRange::cell(20, 1), office::Alignment::Center);
    sheet->setAlignment(CellRange::cell(20, 1), office::Alignment::General);
    EXPECT_EQ(property<css::table::CellHoriJustify>(cellAt(s, 20, 1), "HoriJustify"),
              css::table::CellHoriJustify_STANDARD);
}

TEST_F(LibreOfficeTest, AWrappedTextGrowsItsRowAndAMergeReplacesTheMergesInside) {
    auto sheet = lo().newSpreadsheet();
    const Ref<css::sheet::XSpreadsheet> s = activeSheet(modelOf(*sheet));
    Ref<css::table::XColumnRowRange> all(s, UNO_QUERY_THROW);
    setProperty(Ref<css::uno::XInterface>(all->getColumns()->getByIndex(0), UNO_QUERY_THROW),
                "Width", sal_Int32(2000));
    const Ref<css::uno::XInterface> low(all->getRows()->getByIndex(2), UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> tall(all->getRows()->getByIndex(4), UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> block(all->getRows()->getByIndex(6), UNO_QUERY_THROW);
    // Fixed heights, as an Excel template's rows come in.
    setProperty(low, "Height", sal_Int32(460));
    setProperty(tall, "Height", sal_Int32(2000));
    setProperty(block, "Height", sal_Int32(460));
    setProperty(rangeAt(s, 1, 1, 10, 1), "IsTextWrapped", true);
    const QString long_ = "Государственное бюджетное учреждение здравоохранения";

    sheet->setText(3, 1, long_);
    EXPECT_GT(property<sal_Int32>(low, "Height"), 1000) << "three lines or more in 20 mm";
    sheet->setText(5, 1, "коротко");
    EXPECT_EQ(property<sal_Int32>(tall, "Height"), 2000) << "never lower than it was made";
    sheet->setTexts(7, 1, {{long_}});
    EXPECT_GT(property<sal_Int32>(block, "Height"), 1000) << "a block's wrapped rows grow too";

    sheet->merge(CellRange::of(9, 1, 9, 2));
    sheet->merge(CellRange::of(9, 3, 9, 4));
    sheet->merge(CellRange::of(9, 1, 9, 4));
    EXPECT_EQ(mergedArea(s, 9, 1), CellRange::of(9, 1, 9, 4));
    EXPECT_EQ(mergedArea(s, 9, 3), CellRange::of(9, 1, 9, 4));
}

TEST_F(LibreOfficeTest, AutoFitFitsTheUsedAreaOnly) {
    auto sheet = lo().newSpreadsheet();
    const Ref<css::sheet::XSpreadsheet> s = activeSheet(modelOf(*sheet));
    Ref<css::table::XColumnRowRange> all(s, UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> columnC(all->getColumns()->getByIndex(2), UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> columnH(all->getColumns()->getByIndex(7), UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> row5(all->getRows()->getByIndex(4), UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> row9(all->getRows()->getByIndex(8), UNO_QUERY_THROW);
    setProperty(columnH, "Width", sal_Int32(5000));
    setProperty(row5, "Height", sal_Int32(2000));
    setProperty(row9, "Height", sal_Int32(2000));
    const sal_Int32 narrow = property<sal_Int32>(columnC, "Width");

    sheet->setText(5, 3, "Очень длинный текст ячейки, шире столбца по умолчанию");
    sheet->autoFit();

    EXPECT_GT(property<sal_Int32>(columnC, "Width"), narrow);
    EXPECT_LT(property<sal_Int32>(row5, "Height"), 2000);
    EXPECT_NEAR(property<sal_Int32>(columnH, "Width"), 5000, 5) << "outside the used area";
    EXPECT_EQ(property<sal_Int32>(row9, "Height"), 2000) << "outside the used area";
}

TEST_F(LibreOfficeTest, SelectFirstCellSelectsA1) {
    auto sheet = lo().newSpreadsheet();
    const Ref<css::frame::XModel> model = modelOf(*sheet);
    Ref<css::view::XSelectionSupplier> selection(model->getCurrentController(), UNO_QUERY_THROW);
    selection->select(Any(activeSheet(model)->getCellRangeByName("C3:D7")));
    sheet->selectFirstCell();
    const auto address =
        Ref<css::sheet::XCellRangeAddressable>(selection->getSelection(), UNO_QUERY_THROW)
            ->getRangeAddress();
    EXPECT_EQ(address.StartColumn, 0);
    EXPECT_EQ(address.StartRow, 0);
    EXPECT_EQ(address.EndColumn, 0);
    EXPECT_EQ(address.EndRow, 0);
}

// A template of two filled sheets whose second one was active when it was saved.
QString twoSheetTemplate(const QString& path, int activeIndex) {
    return makeTemplate(path, [activeIndex](const Ref<css::frame::XModel>& m) {
        Ref<css::sheet::XSpreadsheetDocument>(m, UNO_QUERY_THROW)
            ->getSheets()
            ->insertNewByName("Второй", 1);
        writeAt(sheetAt(m, 0), 1, 1, "первый лист");
        writeAt(sheetAt(m, 1), 1, 1, "второй лист");
        writeAt(sheetAt(m, 1), 2, 1, "его вторая строка");
        Ref<css::sheet::XSpreadsheetView>(m->getCurrentController(), UNO_QUERY_THROW)
            ->setActiveSheet(sheetAt(m, activeIndex));
    });
}

TEST_F(LibreOfficeTest, WritesGoToTheTemplatesActiveSheetWhichStaysInView) {
    for (int active : {1, 0}) {
        SCOPED_TRACE("active sheet " + std::to_string(active));
        auto sheet = lo().newSpreadsheet(twoSheetTemplate(file("two.xlt"), active));
        sheet->setText(1, 2, "результат");
        const Ref<css::frame::XModel> model = modelOf(*sheet);
        EXPECT_EQ(textAt(sheetAt(model, active), 1, 2), "результат");
        EXPECT_EQ(cellAt(sheetAt(model, 1 - active), 1, 2)->getType(),
                  css::table::CellContentType_EMPTY);
        sheet->show();
        EXPECT_EQ(textAt(activeSheet(model), 1, 2), "результат") << "the user sees what was filled";
    }
}

TEST_F(LibreOfficeTest, ExcelFilesTellTheirActiveSheet) {
    EXPECT_EQ(office::savedActiveSheet(twoSheetTemplate(file("second.xlt"), 1)), 1);
    EXPECT_EQ(office::savedActiveSheet(twoSheetTemplate(file("first.xlt"), 0)), 0);

    const QByteArray excel = fileBytes(file("second.xlt"));
    EXPECT_EQ(office::savedActiveSheet(excel.left(1024)), std::nullopt) << "cut short";
    EXPECT_EQ(office::savedActiveSheet(QByteArray("not a workbook")), std::nullopt);
    EXPECT_EQ(office::savedActiveSheet(file("missing.xlt")), std::nullopt);
    // A compound file that is not a workbook.
    const Ref<css::lang::XComponent> text = loadHidden("private:factory/swriter");
    Ref<css::frame::XStorable>(text, UNO_QUERY_THROW)
        ->storeToURL(fileUrl(file("text.doc")),
                     properties({{"FilterName", Any(rtl::OUString("MS Word 97"))}}));
    closeComponent(text);
    ASSERT_TRUE(fileBytes(file("text.doc")).startsWith("\xD0\xCF\x11\xE0"));
    EXPECT_EQ(office::savedActiveSheet(file("text.doc")), std::nullopt);
}

TEST_F(LibreOfficeTest, PrintsTheActiveSheetOnlyIntoAFile) {
    const QString out = file("printed.pdf");
    PrintTarget target({}, out);
    auto sheet = lo().newSpreadsheet(twoSheetTemplate(file("two.xlt"), 0));
    sheet->setText(3, 1, "напечатано");
    QElapsedTimer timer;
    timer.start();
    sheet->print();
    std::cout << "[ timing ] print of one sheet to a file: " << timer.elapsed() << " ms\n";
    ASSERT_TRUE(QFileInfo(out).size() > 0);
    EXPECT_TRUE(fileBytes(out).startsWith("%PDF"));
    EXPECT_EQ(pdfPages(out), 1) << "the first sheet only, not the second";

    // The copy shows the same: the active sheet.
    sheet->saveCopy(file("copy"));
    EXPECT_EQ(pdfPages(file("copy.pdf")), 1);
}

TEST_F(LibreOfficeTest, UnknownPrinterIsAnErrorAndPrintsNothing) {
    PrintTarget target("Принтер, которого нет");
    auto sheet = lo().newSpreadsheet();
    sheet->setText(1, 1, "x");
    try {
        sheet->print();
        FAIL() << "printed to a printer that does not exist";
    } catch (const OfficeError& e) {
        EXPECT_TRUE(e.message().contains("Принтер, которого нет")) << e.message().toStdString();
    }
}

TEST_F(LibreOfficeTest, NoPrinterAtAllIsAnError) {
    if (!QStandardPaths::findExecutable("lpr").isEmpty() ||
        !QStandardPaths::findExecutable("lp").isEmpty())
        GTEST_SKIP() << "this machine has a print system; it would print on paper";
    auto sheet = lo().newSpreadsheet();
    sheet->setText(1, 1, "x");
    try {
        sheet->print();
        FAIL() << "printed with no printer";
    } catch (const OfficeError& e) {
        EXPECT_TRUE(e.message().contains("принтер")) << e.message().toStdString();
    }
}

TEST_F(LibreOfficeTest, SaveCopyWritesPdfAndOdsAndLeavesTheDocumentAsItWas) {
    auto sheet = lo().newSpreadsheet();
    sheet->setText(2, 2, "копия");
    const Ref<css::frame::XModel> model = modelOf(*sheet);
    const bool modified = Ref<css::util::XModifiable>(model, UNO_QUERY_THROW)->isModified();
    sheet->saveCopy(file("архив/2026-12-09 результат 41"));

    const QString base = file("архив/2026-12-09 результат 41");
    EXPECT_TRUE(fileBytes(base + ".pdf").startsWith("%PDF"));
    ASSERT_TRUE(fileBytes(base + ".ods").startsWith("PK"));
    EXPECT_TRUE(model->getURL().isEmpty());
    EXPECT_EQ(Ref<css::util::XModifiable>(model, UNO_QUERY_THROW)->isModified(), modified);

    const Ref<css::lang::XComponent> copy = loadHidden(fileUrl(base + ".ods"));
    const Ref<css::frame::XModel> copyModel(copy, UNO_QUERY_THROW);
    EXPECT_EQ(textAt(activeSheet(copyModel), 2, 2), "копия");
    closeComponent(copy);
}

TEST_F(LibreOfficeTest, MissingTemplateIsAnErrorNamingThePath) {
    const int before = componentCount();
    const QString path = file("нет такого/Донесение.xlt");
    try {
        lo().newSpreadsheet(path);
        FAIL() << "opened a template that does not exist";
    } catch (const OfficeError& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path)))
            << e.message().toStdString();
    }
    EXPECT_EQ(componentCount(), before);
}

TEST_F(LibreOfficeTest, NoDocumentOfOursOutlivesItsOperationButAnotherProgramsDoes) {
    // Another program's document in the same office.
    const Ref<css::lang::XComponent> other = loadHidden("private:factory/swriter");
    Ref<css::text::XTextDocument>(other, UNO_QUERY_THROW)
        ->getText()
        ->setString(str("чужой документ"));
    const int base = componentCount();

    {  // closed
        auto sheet = lo().newSpreadsheet();
        EXPECT_EQ(componentCount(), base + 1);
        sheet->close();
        EXPECT_EQ(componentCount(), base);
        EXPECT_THROW(sheet->setText(1, 1, "after close"), OfficeError);
    }
    {  // dropped
        auto sheet = lo().newSpreadsheet();
        auto text = lo().newTextDocument();
        EXPECT_EQ(componentCount(), base + 2);
    }
    EXPECT_EQ(componentCount(), base);
    // A failure midway: the writer's guard goes with the exception.
    EXPECT_THROW(
        {
            auto sheet = lo().newSpreadsheet();
            sheet->setText(1, 1, "half");
            sheet->setText(0, 1, "row 0 does not exist");
        },
        OfficeError);
    EXPECT_EQ(componentCount(), base);
    // Left open for the user: it stays after its object goes.
    Ref<css::frame::XModel> kept;
    {
        auto sheet = lo().newSpreadsheet();
        sheet->show();
        sheet->leaveOpen();
        kept = modelOf(*sheet);
    }
    EXPECT_TRUE(isOpen(kept));
    const auto window = Ref<css::awt::XWindow2>(
        kept->getCurrentController()->getFrame()->getContainerWindow(), UNO_QUERY_THROW);
    EXPECT_TRUE(window->isVisible()) << "shown";
    closeComponent(kept);

    EXPECT_EQ(componentCount(), base);
    ASSERT_TRUE(isOpen(Ref<css::frame::XModel>(other, UNO_QUERY_THROW)));
    EXPECT_EQ(qstr(Ref<css::text::XTextDocument>(other, UNO_QUERY_THROW)->getText()->getString()),
              "чужой документ");
    closeComponent(other);
}

TEST_F(LibreOfficeTest, TextDocumentLikeAResultsJournal) {
    QElapsedTimer timer;
    timer.start();
    auto doc = lo().newTextDocument();
    doc->setLandscape();
    doc->setFont(10, true);
    doc->setCentered(true);
    doc->typeText("ИФА ВИЧ    ЛПУ - Больница\rрезультаты за 01.12.2026 - 09.12.2026\r");
    doc->goToEnd();
    doc->setFont(8, false);
    EXPECT_EQ(doc->addTable(1, 4), 1);
    const QStringList heads{"ID пациента", "Ф.И.О. пациента", "Дата рождения",
                            "Дата взятия материала"};
    for (int c = 0; c < heads.size(); ++c) doc->setCellText(1, 1, c + 1, heads[c]);
    doc->goToEnd();
    doc->insertPageBreak();
    doc->typeParagraph();
    doc->typeParagraph();
    EXPECT_EQ(doc->addTable(1, 3), 2);
    doc->setCellText(2, 1, 1, "Ф.И.О. пациента");
    for (int r = 2; r <= 3; ++r) {
        doc->addRow(1);
        doc->setCellText(1, r, 1, QString::number(5125 + r));
        doc->setCellText(1, r, 4, "08.12.2026");
        doc->addRow(2);
        doc->setCellText(2, r, 3, "+");
    }
    EXPECT_EQ(doc->columnCount(1), 4);
    EXPECT_EQ(doc->columnCount(2), 3);
    std::cout << "[ timing ] journal-like text document with two tables: " << timer.elapsed()
              << " ms\n";

    const Ref<css::frame::XModel> model = modelOf(*doc);
    const Ref<css::text::XTextDocument> text(model, UNO_QUERY_THROW);

    // Landscape: the flag and the page size.
    const Ref<css::container::XNameAccess> pageStyles(
        Ref<css::style::XStyleFamiliesSupplier>(model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles"),
        UNO_QUERY_THROW);
    const Ref<css::uno::XInterface> pageStyle(pageStyles->getByName("Standard"), UNO_QUERY_THROW);
    EXPECT_TRUE(property<bool>(pageStyle, "IsLandscape"));
    EXPECT_GT(property<sal_Int32>(pageStyle, "Width"), property<sal_Int32>(pageStyle, "Height"));

    // The title: two centred bold 10 pt paragraphs.
    Ref<css::container::XEnumeration> paragraphs =
        Ref<css::container::XEnumerationAccess>(text->getText(), UNO_QUERY_THROW)
            ->createEnumeration();
    QStringList order;
    while (paragraphs->hasMoreElements()) {
        const Ref<css::uno::XInterface> part(paragraphs->nextElement(), UNO_QUERY_THROW);
        if (Ref<css::lang::XServiceInfo>(part, UNO_QUERY_THROW)
                ->supportsService("com.sun.star.text.TextTable")) {
            order << "[table]";
            continue;
        }
        const Ref<css::text::XTextRange> paragraph(part, UNO_QUERY_THROW);
        const QString line = qstr(paragraph->getString());
        order << line;
        if (!line.isEmpty()) {
            SCOPED_TRACE(line.toStdString());
            const Ref<css::text::XTextCursor> all =
                text->getText()->createTextCursorByRange(paragraph);
            EXPECT_FLOAT_EQ(property<float>(all, "CharHeight"), 10.0f);
            EXPECT_FLOAT_EQ(property<float>(all, "CharWeight"), css::awt::FontWeight::BOLD);
            EXPECT_EQ(property<sal_Int16>(all, "ParaAdjust"),
                      static_cast<sal_Int16>(css::style::ParagraphAdjust_CENTER));
        }
    }
    EXPECT_EQ(order,
              (QStringList{"ИФА ВИЧ    ЛПУ - Больница", "результаты за 01.12.2026 - 09.12.2026",
                           "[table]", "", "", "", "[table]", ""}));

    // The tables: ruled, cells as written, every cell 8 pt centred, not bold.
    Ref<css::container::XIndexAccess> tables(
        Ref<css::text::XTextTablesSupplier>(model, UNO_QUERY_THROW)->getTextTables(),
        UNO_QUERY_THROW);
    ASSERT_EQ(tables->getCount(), 2);
    const Ref<css::text::XTextTable> first(tables->getByIndex(0), UNO_QUERY_THROW);
    const Ref<css::text::XTextTable> second(tables->getByIndex(1), UNO_QUERY_THROW);
    EXPECT_EQ(first->getRows()->getCount(), 3);
    EXPECT_EQ(second->getRows()->getCount(), 3);
    expectRuled(first, "table 1");
    expectRuled(second, "table 2");
    auto cellText = [](const Ref<css::text::XTextTable>& t, int row, int column) {
        return Ref<css::text::XText>(
            Ref<css::table::XCellRange>(t, UNO_QUERY_THROW)->getCellByPosition(column - 1, row - 1),
            UNO_QUERY_THROW);
    };
    EXPECT_EQ(qstr(cellText(first, 1, 2)->getString()), "Ф.И.О. пациента");
    EXPECT_EQ(qstr(cellText(first, 3, 1)->getString()), "5128");
    EXPECT_EQ(qstr(cellText(first, 2, 4)->getString()), "08.12.2026");
    EXPECT_EQ(qstr(cellText(second, 1, 1)->getString()), "Ф.И.О. пациента");
    EXPECT_EQ(qstr(cellText(second, 3, 3)->getString()), "+");
    for (const auto& [t, rows, columns] : {std::tuple{first, 3, 4}, std::tuple{second, 3, 3}}) {
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= columns; ++c) {
                SCOPED_TRACE("row " + std::to_string(r) + " column " + std::to_string(c));
                // Filled or empty, each cell's text takes 8 pt centred.
                const Ref<css::text::XText> cell = cellText(t, r, c);
                const Ref<css::text::XTextCursor> all = cell->createTextCursor();
                all->gotoEnd(true);
                EXPECT_FLOAT_EQ(property<float>(all, "CharHeight"), 8.0f);
                EXPECT_FLOAT_EQ(property<float>(all, "CharWeight"), css::awt::FontWeight::NORMAL);
                EXPECT_EQ(property<sal_Int16>(all, "ParaAdjust"),
                          static_cast<sal_Int16>(css::style::ParagraphAdjust_CENTER));
            }
        }
    }

    // The page break: table 2 starts page 2, and there are two pages.
    const Ref<css::text::XTextViewCursor> view =
        Ref<css::text::XTextViewCursorSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
            ->getViewCursor();
    const Ref<css::text::XPageCursor> page(view, UNO_QUERY_THROW);
    view->gotoRange(cellText(first, 3, 1)->getStart(), false);
    EXPECT_EQ(page->getPage(), 1);
    view->gotoRange(cellText(second, 1, 1)->getStart(), false);
    EXPECT_EQ(page->getPage(), 2);
    page->jumpToLastPage();
    EXPECT_EQ(page->getPage(), 2);

    // Copies.
    doc->saveCopy(file("журнал"));
    EXPECT_TRUE(fileBytes(file("журнал.pdf")).startsWith("%PDF"));
    EXPECT_EQ(pdfPages(file("журнал.pdf")), 2);
    EXPECT_TRUE(fileBytes(file("журнал.odt")).startsWith("PK"));
    EXPECT_GT(QFileInfo(file("журнал.odt")).size(), 0);
}

TEST_F(LibreOfficeTest, TypingFollowsTheCursorAndFontAppliesToWhatIsTypedNext) {
    auto doc = lo().newTextDocument();
    doc->typeText("обычный ");
    doc->setFont(14, true);
    doc->typeText("крупный");
    doc->typeParagraph();
    doc->setCentered(true);
    doc->typeText("по центру\r");
    doc->setCentered(false);
    doc->typeText("слева");

    const Ref<css::text::XText> text =
        Ref<css::text::XTextDocument>(modelOf(*doc), UNO_QUERY_THROW)->getText();
    EXPECT_EQ(qstr(text->getString()), "обычный крупный\nпо центру\nслева");
    Ref<css::container::XEnumeration> paragraphs =
        Ref<css::container::XEnumerationAccess>(text, UNO_QUERY_THROW)->createEnumeration();
    std::vector<Ref<css::uno::XInterface>> list;
    while (paragraphs->hasMoreElements())
        list.emplace_back(paragraphs->nextElement(), UNO_QUERY_THROW);
    ASSERT_EQ(list.size(), 3u);

    // In the first paragraph the portions differ: a word at the default size, then 14 pt bold.
    Ref<css::container::XEnumeration> portions =
        Ref<css::container::XEnumerationAccess>(list[0], UNO_QUERY_THROW)->createEnumeration();
    std::vector<std::pair<QString, float>> sizes;
    while (portions->hasMoreElements()) {
        const Ref<css::uno::XInterface> portion(portions->nextElement(), UNO_QUERY_THROW);
        sizes.emplace_back(qstr(Ref<css::text::XTextRange>(portion, UNO_QUERY_THROW)->getString()),
                           property<float>(portion, "CharHeight"));
    }
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].first, "обычный ");
    EXPECT_NE(sizes[0].second, 14.0f);
    EXPECT_EQ(sizes[1].first, "крупный");
    EXPECT_FLOAT_EQ(sizes[1].second, 14.0f);

    EXPECT_EQ(property<sal_Int16>(list[1], "ParaAdjust"),
              static_cast<sal_Int16>(css::style::ParagraphAdjust_CENTER));
    EXPECT_EQ(property<sal_Int16>(list[2], "ParaAdjust"),
              static_cast<sal_Int16>(css::style::ParagraphAdjust_LEFT));
    const Ref<css::text::XTextCursor> last =
        text->createTextCursorByRange(Ref<css::text::XTextRange>(list[2], UNO_QUERY_THROW));
    EXPECT_FLOAT_EQ(property<float>(last, "CharHeight"), 14.0f) << "the font goes on";
    EXPECT_FLOAT_EQ(property<float>(last, "CharWeight"), css::awt::FontWeight::BOLD);

    EXPECT_THROW(doc->setCellText(1, 1, 1, "no table yet"), OfficeError);
    EXPECT_THROW(doc->addTable(0, 3), OfficeError);
    EXPECT_EQ(doc->addTable(2, 2), 1);
    EXPECT_THROW(doc->setCellText(1, 0, 1, "row 0"), OfficeError);
    EXPECT_THROW(doc->addRow(2), OfficeError);
}

// Ends the office the hard way, as a crash would.
void killOffice() {
    for (qint64 pid : processTree(processId())) ::kill(static_cast<pid_t>(pid), SIGKILL);
}

TEST_F(LibreOfficeTest, AnOfficeThatDiedIsStartedAgainOnNextUse) {
    auto before = lo().newSpreadsheet();
    const qint64 pid = processId();
    killOffice();
    ASSERT_TRUE(waitUntilGone(pid, 10'000));
    EXPECT_THROW(before->setText(1, 1, "into a dead office"), OfficeError);
    before.reset();  // closing what is gone is no error

    auto after = lo().newSpreadsheet();
    after->setText(1, 1, "снова");
    EXPECT_NE(processId(), pid);
    EXPECT_TRUE(processAlive(processId()));
    EXPECT_EQ(textAt(activeSheet(modelOf(*after)), 1, 1), "снова");
}

// What a process's descriptors above the standard three point at: files by path, pipes and
// sockets by their inode ("socket:[123]").
QStringList openTargets(qint64 pid) {
    QStringList targets;
    const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(folder).entryList(QDir::Files | QDir::System)) {
        if (fd.toInt() <= 2) continue;
        const QString target = QFile::symLinkTarget(folder + "/" + fd);
        if (!target.isEmpty()) targets << target;
    }
    return targets;
}

TEST_F(LibreOfficeTest, TheOfficeHoldsNoneOfTheProgramsFilesNorItsDatabase) {
    // The office starts while an embedded database is open, as when the first document of the
    // day is made.
    auto running = lo().newSpreadsheet();
    running.reset();
    const qint64 before = processId();
    killOffice();
    ASSERT_TRUE(waitUntilGone(before, 10'000));
    testing_support::TempDatabase database;
    const auto attachment = database.connect();
    const QStringList ours = openTargets(QCoreApplication::applicationPid());
    ASSERT_TRUE(ours.contains(QFileInfo(database.path()).canonicalFilePath()))
        << "the database is open here: " << ours.join(" ").toStdString();
    auto sheet = lo().newSpreadsheet();

    QStringList shared;
    for (qint64 pid : processTree(processId()))
        for (const QString& target : openTargets(pid))
            // The office opens its own files of its installation and of /dev itself.
            if (ours.contains(target) && !target.startsWith("/usr/lib/libreoffice/") &&
                !target.startsWith("/dev/"))
                shared << QStringLiteral("%1: %2").arg(pid).arg(target);
    EXPECT_TRUE(shared.isEmpty()) << "the office holds the program's "
                                  << shared.join(", ").toStdString();
}

// The office's own texts: its language and the caption of its "Save" command.
TEST_F(LibreOfficeTest, TheOfficeSpeaksRussianWhateverTheProgramsLocale) {
    auto sheet = lo().newSpreadsheet();
    const Ref<css::lang::XMultiServiceFactory> configuration =
        css::configuration::theDefaultProvider::get(context());
    css::uno::Sequence<Any> where(1);
    where.getArray()[0] <<=
        css::beans::NamedValue("nodepath", Any(rtl::OUString("/org.openoffice.Setup/L10N")));
    const Ref<css::container::XNameAccess> l10n(
        configuration->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess",
                                                   where),
        UNO_QUERY_THROW);
    rtl::OUString locale;
    l10n->getByName("ooLocale") >>= locale;
    EXPECT_TRUE(qstr(locale) == "ru" || qstr(locale).startsWith("ru-"))
        << qstr(locale).toStdString();

    const Ref<css::container::XNameAccess> commands(
        css::frame::theUICommandDescription::get(context())->getByName(
            "com.sun.star.sheet.SpreadsheetDocument"),
        UNO_QUERY_THROW);
    css::uno::Sequence<css::beans::PropertyValue> save;
    commands->getByName(".uno:Save") >>= save;
    QString label;
    for (const auto& property : save)
        if (property.Name == "Label") label = qstr(property.Value.get<rtl::OUString>());
    EXPECT_EQ(label.remove('~').toStdString(), "Сохранить");
}

// Last: program exit.
TEST_F(LibreOfficeTest, ShutDownEndsTheOfficeOnlyWhenItHoldsNoDocument) {
    auto kept = lo().newSpreadsheet();
    kept->setText(1, 1, "для пользователя");
    kept->leaveOpen();
    kept.reset();
    const qint64 pid = processId();

    office::shutDownLibreOffice();
    QThread::msleep(500);
    ASSERT_TRUE(processAlive(pid)) << "a document is open for the user";
    ASSERT_EQ(componentCount(), 1);  // connects again to the same office
    EXPECT_EQ(processId(), pid);

    Ref<css::container::XEnumeration> all = desktop()->getComponents()->createEnumeration();
    closeComponent(Ref<css::uno::XInterface>(all->nextElement(), UNO_QUERY_THROW));
    office::shutDownLibreOffice();
    EXPECT_TRUE(waitUntilGone(pid, 20'000)) << "nothing open: the office ends";
    office::shutDownLibreOffice();  // again: nothing to do
}

}  // namespace
