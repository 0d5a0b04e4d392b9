// Substitute and add on plain text as the command's filter and the service object share them.
#include "evaluator/formulaengine.h"
#include "evaluator/textservices.h"
#include "platform/userdefaults.h"

#include <gtest/gtest.h>

namespace {

TEST(TextServices, KeepLineBreaksAndGiveFailuresBack) {
    UserDefaults defaults{UserDefaults::InMemory{}};
    FormulaEngine engine{defaults};
    const struct {
        bool add, fromArguments;
        QByteArray in, out, err; // an error means status 1
    } rows[] = {
        {false, false, "2*(3+4)^2\n", "98\n", ""},
        {false, false, "sqrt(2)/2\r\n", "0.707106781187\r\n", ""},
        {true, false, "2+3\r\n", "2+3 = 5\r\n", ""},
        // Only the last line break is the selection's; the one before it ends the formula's line.
        {true, false, "2+3\n\n", "2+3 = 5\n\n", ""},
        // A failure gives the selection back byte for byte, or nothing for arguments.
        {false, false, "1/0\n", "1/0\n", "Error: Division by zero\n"},
        {true, false, "2+\r\n", "2+\r\n", "Error: Syntax error\n"},
        {false, true, "1/0", "", "Error: Division by zero\n"},
        {false, false, "\n", "\n", "Error: Syntax error\n"},
        {true, false, "\xff\xfe+1", "\xff\xfe+1", "Error: Syntax error\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE((r.add ? "add " : "substitute ") + r.in.toStdString());
        const textservices::FilterResult result =
            textservices::filter(engine, r.add, r.in, r.fromArguments);
        EXPECT_EQ(result.output, r.out);
        EXPECT_EQ(result.error, r.err);
        EXPECT_EQ(result.status, r.err.isEmpty() ? 0 : 1);
    }
    // No text at all is a syntax error.
    for (const auto service :
         {&textservices::substitute, &textservices::add, &textservices::appendedResult}) {
        QString error;
        EXPECT_TRUE(service(engine, QString(), &error).isNull());
        EXPECT_EQ(error, QStringLiteral("Error: Syntax error"));
    }
}

} // namespace
