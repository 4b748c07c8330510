// Test entry: an offscreen application, under the Russian locale unless the suite's run names
// another (the journal's runs under the C locale: dates must read 09.12.2026 there too).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("LC_ALL")) {
        qputenv("LC_ALL", "ru_RU.UTF-8");
        qputenv("LANG", "ru_RU.UTF-8");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
