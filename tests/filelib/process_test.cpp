#include "filelib/process.h"

#include "filetesting.h"

#include <tuple>

using namespace filelib;

TEST(Process, AnswersTrueOnlyForCleanExit) {
    QTemporaryDir dir;
    putFile(dir.filePath("marker"));
    const QString sh = "/bin/sh";
    const std::tuple<QString, QStringList, QString, bool> rows[] = {
        {sh, {"-c", "exit 3"}, {}, false},
        {sh, {"-c", "kill -9 $$"}, {}, false},
        {QString(), {}, {}, false},
        {"/bin/true", {}, dir.filePath("missing"), false},
        {sh, {"-c", "test -f marker"}, dir.path(), true},
        // A question on standard input meets its end at once instead of waiting forever.
        {sh, {"-c", "read answer; test -z \"$answer\""}, {}, true}};
    for (const auto &[program, arguments, folder, expected] : rows)
        EXPECT_EQ(launchAndWaitUntilExit(program, arguments, folder), expected)
            << arguments.join(' ').toStdString();
    EXPECT_FALSE(launchAndWaitUntilExit("/bin/sleep", {"30"}, {}, 200));
    const ToolRun run = runTool("/bin/echo", {"hi"});
    EXPECT_TRUE(run.succeeded() && run.output == "hi\n");
}
