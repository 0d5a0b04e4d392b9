#include "textlib/systemlog.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace textlib;

namespace {

QStringList captured;
void capture(const QString &message) {
    captured.append(message);
}

TEST(SystemLogTest, HandlerReceivesWholeEntriesAndCanBeRestored) {
    captured.clear();
    const LogHandler previous = setLogHandler(capture);
    systemLog(QStringLiteral("one\ntwo"));
    systemLog(QString());
    EXPECT_EQ(setLogHandler(previous), &capture);
    EXPECT_EQ(captured, QStringList({QStringLiteral("one\ntwo"), QString()}));
    // Back on syslog: nothing more reaches the handler, and logging does not fail.
    systemLog(QStringLiteral("sumwise test entry"));
    EXPECT_EQ(captured.size(), 2);
}

} // namespace
