// Substitute and add on plain text as the command's filter and the service object share them.
#include "evaluator/formulaengine.h"
#include "evaluator/textservices.h"
#include "platform/userdefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TextServicesTest : public testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("Sumwise.conf"))};
    FormulaEngine engine{defaults};
};

TEST_F(TextServicesTest, FilterKeepsLinesAndGivesFailuresBack) {
    struct {
        bool add;
        QByteArray in;
        bool fromArguments;
        QByteArray out, err;
        int status;
    } const rows[] = {
        {false, "2*(3+4)^2\n", false, "98\n", "", 0},
        {false, "sqrt(2)/2\r\n", false, "0.707106781187\r\n", "", 0},
        {false, "1+1\r", false, "2\r", "", 0},
        {true, "2+3", false, "2+3 = 5", "", 0},
        {true, "2+3\r\n", false, "2+3 = 5\r\n", "", 0},
        // Only the last line break is the selection's; the one before it ends the formula's line.
        {true, "2+3\n\n", false, "2+3 = 5\n\n", "", 0},
        {false, "x=1,5;x*3", false, "4.5", "", 0},
        // A failure gives the selection back byte for byte, or nothing for arguments.
        {false, "1/0\n", false, "1/0\n", "Error: Division by zero\n", 1},
        {true, "2+\r\n", false, "2+\r\n", "Error: Syntax error\n", 1},
        {false, "1/0", true, "", "Error: Division by zero\n", 1},
        {false, "", false, "", "Error: Syntax error\n", 1},
        {false, "\n", false, "\n", "Error: Syntax error\n", 1},
        {true, "\xff\xfe+1", false, "\xff\xfe+1", "Error: Syntax error\n", 1},
    };
    for (const auto &r : rows) {
        const textservices::FilterResult result =
            textservices::filter(engine, r.add, r.in, r.fromArguments);
        const std::string row = (r.add ? "add " : "substitute ") + r.in.toStdString();
        EXPECT_EQ(result.output, r.out) << row;
        EXPECT_EQ(result.error, r.err) << row;
        EXPECT_EQ(result.status, r.status) << row;
    }
}

TEST_F(TextServicesTest, AssignmentsReachTheStore) {
    EXPECT_EQ(textservices::filter(engine, false, "Rate=1,25\n", false).output, "1.25\n");
    FormulaEngine another(defaults);
    EXPECT_EQ(textservices::filter(another, true, "rate*4", false).output, "rate*4 = 5");
}

TEST_F(TextServicesTest, NoTextIsASyntaxError) {
    for (const auto service :
         {&textservices::substitute, &textservices::add, &textservices::appendedResult}) {
        QString error;
        EXPECT_TRUE(service(engine, QString(), &error).isNull());
        EXPECT_EQ(error, QStringLiteral("Error: Syntax error"));
    }
}

} // namespace
