#if defined(SUMWISE_TEST_WIDGETS_APP)
#include <QApplication>
using Application = QApplication;
#elif defined(SUMWISE_TEST_GUI_APP)
#include <QGuiApplication>
using Application = QGuiApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // Keep the user's real settings out of reach of every test.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // Windows are created for real but never reach the user's screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests that script or log alerts set these themselves.
    qunsetenv("SUMWISE_ALERT_ANSWER");
    qunsetenv("SUMWISE_ALERT_LOG");
    Application app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
