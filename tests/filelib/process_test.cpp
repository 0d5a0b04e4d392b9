#include "filelib/process.h"

#include "filetesting.h"

#include <tuple>

using namespace filelib;

TEST(Process, AnswersTrueOnlyForCleanExit) {
    QTemporaryDir dir;
    putFile(dir.filePath("marker"));
    const QString sh = "/bin/sh";
    const int wait = DefaultToolTimeoutMs;
    const std::tuple<QString, QStringList, QString, int, bool> rows[] = {
        {sh, {"-c", "exit 3"}, {}, wait, false},
        {sh, {"-c", "kill -9 $$"}, {}, wait, false},
        {QString(), {}, {}, wait, false},
        {"/bin/true", {}, dir.filePath("missing"), wait, false},
        {sh, {"-c", "test -f marker"}, dir.path(), wait, true},
        // A question on standard input meets its end at once instead of waiting forever.
        {sh, {"-c", "read answer; test -z \"$answer\""}, {}, wait, true},
        {"/bin/sleep", {"30"}, {}, 200, false}};
    for (const auto &[program, arguments, folder, timeout, expected] : rows)
        EXPECT_EQ(launchAndWaitUntilExit(program, arguments, folder, timeout), expected)
            << arguments.join(' ').toStdString();
    const ToolRun run = runTool("/bin/echo", {"hi"});
    EXPECT_TRUE(run.succeeded() && run.output == "hi\n");
}
