#include "textlib/systemlog.h"

#include "texttesting.h"

#include <QStringList>

namespace {

QStringList logged;
void capture(const QString &message) {
    logged.append(message);
}

} // namespace

TEST(SystemLog, HandlerReceivesWholeEntriesAndCanBeRestored) {
    logged.clear();
    const LogHandler previous = setLogHandler(capture);
    systemLog(u"one\ntwo"_s);
    systemLog(QString());
    EXPECT_EQ(setLogHandler(previous), &capture);
    EXPECT_EQ(logged, QStringList({u"one\ntwo"_s, QString()}));
    // Back on syslog: nothing more reaches the handler, and logging does not fail.
    systemLog(u"sumwise test entry"_s);
    EXPECT_EQ(logged.size(), 2);
}
