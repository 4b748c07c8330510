// Test entry: an offscreen application, under the Russian locale unless the suite's run names
// another (the journal's runs under the C locale: dates must read 09.12.2026 there too). A run
// given a display of its own (LABJOURNAL_TEST_DISPLAY, an X server with a window manager that
// scripts/desktop-test-session starts) shows its windows there instead, on xcb.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    const QByteArray display = qgetenv("LABJOURNAL_TEST_DISPLAY");
    if (display.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DISPLAY", display);
    }
    if (!qEnvironmentVariableIsSet("LC_ALL")) {
        qputenv("LC_ALL", "ru_RU.UTF-8");
        qputenv("LANG", "ru_RU.UTF-8");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
