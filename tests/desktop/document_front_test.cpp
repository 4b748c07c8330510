// Where the shown document's window stands while the program asks about it, on a real desktop:
// an X server with a window manager (scripts/desktop-test-session), the program's real windows
// on xcb, and a real LibreOffice showing its window there. What stands where is read as the
// user's desktop has it: the window manager's stacking order and the windows' frames, through
// the X tools.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <optional>

#include "journal/main_window.h"
#include "journal/search_page.h"
#include "reports/office/libreoffice.h"
#include "reports/office/office.h"
#include "support/program.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"

using testing_support::ScriptedDialogs;

namespace {

// How long the window manager may take to show the box after it was shown.
constexpr int kBoxShowsWithinMs = 5000;

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The windows the window manager manages, bottom to top.
QList<quint64> stacking() {
    const QString listed = run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    QList<quint64> windows;
    const QRegularExpression id("0x[0-9a-f]+");
    for (auto match = id.globalMatch(listed.section('#', 1)); match.hasNext();)
        windows << match.next().captured().toULongLong(nullptr, 16);
    return windows;
}

QString hex(quint64 window) {
    return "0x" + QString::number(window, 16);
}

qint64 processOf(quint64 window) {
    const QString pid = run("xprop", {"-id", hex(window), "_NET_WM_PID"});
    const auto match = QRegularExpression("= (\\d+)").match(pid);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

// A managed window's rectangle on the screen with the manager's frame around it.
QRect frameOf(quint64 window) {
    const QString info = run("xwininfo", {"-id", hex(window)});
    const auto number = [&](const char* label) {
        const auto match =
            QRegularExpression(QString::fromLatin1(label) + ":\\s+(-?\\d+)").match(info);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    QRect rect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
               number("Height"));
    const QString extents = run("xprop", {"-id", hex(window), "_NET_FRAME_EXTENTS"});
    const auto match = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)").match(extents);
    if (match.hasMatch())
        rect = rect.marginsAdded(QMargins(match.captured(1).toInt(), match.captured(3).toInt(),
                                          match.captured(2).toInt(), match.captured(4).toInt()));
    return rect;
}

// What the desktop showed while the box waited.
struct Desktop {
    QList<quint64> stacking;
    QList<quint64> office;  // the office's windows among them
    QRect documentFrame;
    QRect boxFrame;
    QString boxText;
};

// Answers the question about a shown document with the real box, and reads the desktop while it
// waits: once the window manager shows the box and what the program does on its arrival is
// done (the desktop stays the same over a few readings), then OK is pressed.
class RealOkBox : public ScriptedDialogs {
public:
    std::optional<Desktop> seen;

    bool okPressed(QWidget* parent, const QString& text) override {
        watch();
        return ui::QtDialogs().okPressed(parent, text);
    }
    bool okPressedBeside(QWidget* parent, const QString& text, const QRect& keepClear,
                         const std::function<void()>& shown) override {
        watch();
        return ui::QtDialogs().okPressedBeside(parent, text, keepClear, shown);
    }

private:
    // Polls the desktop from the box's event loop.
    void watch() {
        waited_.start();
        last_.clear();
        steady_ = 0;
        poll_.setInterval(100);
        QObject::disconnect(&poll_, nullptr, nullptr, nullptr);
        QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
        poll_.start();
    }

    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        const QList<quint64> stack = stacking();
        steady_ = stack == last_ ? steady_ + 1 : 0;
        last_ = stack;
        const bool settled = stack.contains(box->winId()) && steady_ >= 3;
        if (!settled && waited_.elapsed() < kBoxShowsWithinMs) return;
        poll_.stop();
        Desktop desktop;
        desktop.stacking = stack;
        for (quint64 window : stack)
            if (processOf(window) != QCoreApplication::applicationPid()) desktop.office << window;
        if (desktop.office.size() == 1) desktop.documentFrame = frameOf(desktop.office[0]);
        desktop.boxFrame = frameOf(box->winId());
        desktop.boxText = box->text();
        // A picture of the desktop for a look by eye, when asked for.
        const QString shot = qEnvironmentVariable("LABJOURNAL_TEST_SCREENSHOT");
        if (!shot.isEmpty()) run("import", {"-window", "root", shot});
        seen = desktop;
        box->button(QMessageBox::Ok)->click();
    }

    QTimer poll_;
    QElapsedTimer waited_;
    QList<quint64> last_;
    int steady_ = 0;
};

class DocumentInFrontTest : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("LABJOURNAL_TEST_DISPLAY"))
            GTEST_SKIP() << "needs a desktop of its own: run under scripts/desktop-test-session";
        office::setOffice(nullptr);
        start({"insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница №2')",
               "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
               "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, NPP, NOM, FAM, IMJA, OTCH, "
               "DAT_ISSLED) values (1, 1, 1, 1, 101, 'Фёдорова', 'Юлия', 'Юрьевна', "
               "'2026-12-01')"});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
        box_.emplace();
    }
    void TearDown() override {
        ProgramTest::TearDown();
        box_.reset();
        // The office goes before its display does.
        office::shutDownLibreOffice();
    }
    MainWindow& form() { return *(*program_)->mainWindow; }

    std::optional<RealOkBox> box_;
};

// The exported grid is shown in front of the main window, and the box asking whether to close
// it stands beside it, leaving the whole document in view.
TEST_F(DocumentInFrontTest, ShownDocumentIsInFrontAndTheBoxBesideIt) {
    form().findPatientAction->trigger();
    SearchPage& search = *form().searchPage;
    search.periodFrom->setDate(QDate(2026, 11, 1));
    search.periodTo->setDate(QDate(2026, 12, 9));
    search.findButton->click();
    ASSERT_EQ(search.found.recordCount(), 1);
    search.exportAction->trigger();

    ASSERT_TRUE(box_->seen.has_value()) << "the box was not shown";
    const Desktop& desktop = *box_->seen;
    EXPECT_EQ(desktop.boxText, "Закрыть EXCEL?");
    const qsizetype main = desktop.stacking.indexOf(form().winId());
    ASSERT_GE(main, 0) << "the main window is managed";
    ASSERT_EQ(desktop.office.size(), 1) << "the document's window, and no other of the office's";
    EXPECT_GT(desktop.stacking.indexOf(desktop.office[0]), main)
        << "the document's window stands above the main window";
    ASSERT_FALSE(desktop.documentFrame.isEmpty());
    ASSERT_FALSE(desktop.boxFrame.isEmpty());
    EXPECT_FALSE(desktop.boxFrame.intersects(desktop.documentFrame))
        << "box " << desktop.boxFrame.x() << "," << desktop.boxFrame.y() << " "
        << desktop.boxFrame.width() << "x" << desktop.boxFrame.height() << ", document "
        << desktop.documentFrame.x() << "," << desktop.documentFrame.y() << " "
        << desktop.documentFrame.width() << "x" << desktop.documentFrame.height();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(desktop.boxFrame))
        << "the whole box on the screen";
}

}  // namespace
