// The floor of a Qt Core program: start, read one settings value, print it, end. The command's
// start-up is measured against it (bench/command.sh builds and runs it).
#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Sumwise"),
                             QStringLiteral("Sumwise"));
    std::printf("%s\n", settings.value(QStringLiteral("X"), 0).toByteArray().constData());
    return 0;
}
