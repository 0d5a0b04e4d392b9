#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // Keep the user's real settings out of reach of every test.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // Widgets are created for real but never reach the user's screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests that script or log alerts set these themselves.
    qunsetenv("SUMWISE_ALERT_ANSWER");
    qunsetenv("SUMWISE_ALERT_LOG");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
