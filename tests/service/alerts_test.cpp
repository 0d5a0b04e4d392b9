// Alerts and panels: their buttons, keys and texts, the answers remembered, the environment
// that scripts them for the program's tests, and the log they write.
#include "platform/userdefaults.h"
#include "service/alerts.h"
#include "tests/support/testing.h"

#include <QApplication>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace service;

namespace {

// A translation without .qm files: German for one text.
class FakeTranslator : public QTranslator {
public:
    QString translate(const char *, const char *source, const char *, int) const override {
        return source == std::string_view("Sure?") ? "Sicher?" : QString();
    }
    bool isEmpty() const override { return false; }
};

// Runs the real modal loop and acts on the shown alert from inside it (a loop nobody ends
// fails at the test's timeout).
int runDoing(QMessageBox &alert, std::function<void()> action) {
    QTimer::singleShot(0, &alert, std::move(action));
    return runModal(alert);
}

int runWithKey(QMessageBox &alert, int key) {
    QApplication::postEvent(&alert, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    return runModal(alert);
}

class Alerts : public testing::Test {
protected:
    void SetUp() override { QCoreApplication::installTranslator(&m_translator); }
    void TearDown() override {
        setAlertAnswerer({});
        QCoreApplication::removeTranslator(&m_translator);
    }

    // Answers with code, ticking the checkbox first when asked; counts the alerts shown.
    void answer(int code, bool tick = false) {
        setAlertAnswerer([this, code, tick](QMessageBox &alert) {
            ++shown;
            if (tick && alert.checkBox())
                alert.checkBox()->setChecked(true);
            return code;
        });
    }
    int ask(UserDefaults &store, const QString &message, const QString &format,
            const QStringList &values = {}) {
        return autoSuppressAlertWithMessageText(store, Localize::No, message, "OK", "Cancel",
                                                "Later", format, values);
    }

    QTemporaryDir m_dir;
    UserDefaults defaults{m_dir.filePath("defaults.conf")};
    int shown = 0;

private:
    FakeTranslator m_translator;
};

TEST(AlertFormat, FillsPlaceholdersInOrder) {
    const struct {
        const char *format;
        QStringList values;
        QString expected;
    } cases[] = {
        {"a%@b%@c %d 100%%", {"1"}, "a1bc %d 100%"},
        {"%2$@ %1$@ %3$@|%0$@", {"a", "b"}, "b a |%0$@"},
        {"%99999999999999999999$@.", {"a"}, "."},
        {"%@%@", {"%@", "%%"}, "%@%%"}, // values are not formats
    };
    for (const auto &c : cases)
        EXPECT_EQ(stringWithFormat(QString::fromUtf8(c.format), c.values), c.expected) << c.format;
    EXPECT_FALSE(stringWithFormat("", {}).isNull());
    EXPECT_TRUE(stringWithFormat(QString(), {"x"}).isNull());
}

TEST_F(Alerts, ButtonsKeysAndClosingGiveFixedCodes) {
    const QString none;
    constexpr int Click = 0, Close = -1; // Click: every button clicked in turn
    const struct {
        QString def, alt, other;
        QStringList titles;
        int key, expected;
    } cases[] = {
        {"Yes", "No", "Later", {"Yes", "No", "Later"}, Click, 0},
        {"", none, none, {""}, Click, 0}, // an empty title is a button, a null one none
        {none, "Cancel", none, {"Cancel"}, Qt::Key_Return, AlertAlternateReturn},
        {"OK", none, none, {"OK"}, Qt::Key_Escape, AlertNoAnswer}, // Qt would press a lone button
        {"OK", none, none, {"OK"}, Close, AlertNoAnswer},
    };
    for (const auto &c : cases) {
        auto alert =
            alertWithMessageText("Q", c.def, c.alt, c.other, SuppressionButton::Hidden, none);
        EXPECT_EQ(alert->buttons().size(), c.titles.size());
        if (c.key == Close) {
            EXPECT_EQ(runDoing(*alert, [&] { alert->close(); }), c.expected);
            // A second run does not report the first run's answer.
            EXPECT_EQ(runWithKey(*alert, Qt::Key_Return), AlertDefaultReturn);
        } else if (c.key != Click) {
            EXPECT_EQ(runWithKey(*alert, c.key), c.expected) << c.key;
        }
        QStringList titles;
        for (int code : {AlertDefaultReturn, AlertAlternateReturn, AlertOtherReturn}) {
            QAbstractButton *button = alertButton(*alert, code);
            if (button)
                titles << button->text();
            if (button && c.key == Click) {
                EXPECT_EQ(runDoing(*alert, [button] { button->click(); }), code);
            }
        }
        EXPECT_EQ(titles, c.titles);
    }
    // Qt's own OK button of a bare alert counts as the default.
    auto bare = newAlert();
    EXPECT_EQ(runDoing(*bare, [&] { bare->buttons().value(0)->click(); }), AlertDefaultReturn);
}

TEST_F(Alerts, TextsAreShownAsTheyAreNotAsMarkupOrMnemonics) {
    auto alert = alertWithMessageText("<b>1<2</b>", "&Save", QString(), QString(),
                                      SuppressionButton::Hidden, "%@", {"<i>a</i>&b"});
    EXPECT_EQ(alert->informativeText(), "<i>a</i>&b");
    for (const char *name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        const auto *label = alert->findChild<QLabel *>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    }
    const auto *save = qobject_cast<QPushButton *>(alertButton(*alert, AlertDefaultReturn));
    EXPECT_TRUE(save->shortcut().isEmpty());
    EXPECT_EQ(save->text(), "&&Save");
}

// Only a ticked answer is remembered, under a key of the untranslated message and format (the
// stored format other versions read and write), also for a later process.
TEST_F(Alerts, RunnerRemembersTickedAnswersPerQuestion) {
    const QString none;
    const struct {
        QString message, format, key;
        int answer;
        bool tick;
    } questions[] = {
        {"Delete?", "%@ files", R"(NSAlert AutoSuppress "Delete?" "%@ files")",
         AlertAlternateReturn, true},
        {"Delete?", none, R"(NSAlert AutoSuppress "Delete?")", AlertOtherReturn, true},
        {"Delete?", "", R"(NSAlert AutoSuppress "Delete?" "")", AlertDefaultReturn, false},
        // Closed: nothing was answered.
        {"x=\"1\"; [#]/\\", "%%", R"(NSAlert AutoSuppress "x="1"; [#]/\" "%%")", AlertNoAnswer,
         true},
    };
    for (const auto &q : questions) {
        EXPECT_EQ(autoSuppressKey(q.message, q.format), q.key);
        answer(q.answer, q.tick);
        EXPECT_EQ(ask(defaults, q.message, q.format, {"3"}), q.answer);
    }
    // Asked again with other values, by a later process.
    answer(7);
    shown = 0;
    UserDefaults later(defaults.fileName());
    for (const auto &q : questions) {
        const bool remembered = q.tick && q.answer != AlertNoAnswer;
        EXPECT_EQ(ask(later, q.message, q.format, {"99"}), remembered ? q.answer : 7)
            << q.key.toStdString();
    }
    EXPECT_EQ(shown, 2);
    // A translated alert is remembered under its untranslated texts.
    answer(AlertDefaultReturn, true);
    autoSuppressAlertWithMessageText(defaults, Localize::Yes, "Sure?", "OK", none, none, none);
    EXPECT_NE(defaults.objectForKey(R"(NSAlert AutoSuppress "Sure?")"), QVariant());
}

TEST_F(Alerts, ResetFindsAndRemovesTheThreePrefixesOnly) {
    const QStringList others{"NSAlert Auto", "X DontAsk", "dontask", "nsalert autosuppress"};
    for (const QString &key : others)
        defaults.setInteger(1, key);
    EXPECT_FALSE(shouldResetAlerts(defaults));
    for (const char *key : {"DontCheckSpelling", "DontAsk/sub", "NSAlert AutoSuppressX"})
        defaults.setInteger(1, key);
    EXPECT_TRUE(shouldResetAlerts(defaults));
    resetAlerts(defaults);
    QStringList kept = defaults.allKeys();
    kept.sort();
    EXPECT_EQ(kept, others);
}

TEST_F(Alerts, EnvironmentDrivesTheRealDialogAndLogsIt) {
    const QString log = m_dir.filePath("alerts.jsonl");
    Environment env;
    env.set("SUMWISE_ALERT_LOG", QFile::encodeName(log));
    const struct {
        const char *answer;
        int expected;
        AlternateButton copy = AlternateButton::Enabled;
    } panels[] = {
        {"alternate", AlertAlternateReturn},
        {"other", AlertNoAnswer},                                // no such button
        {"alternate", AlertNoAnswer, AlternateButton::Disabled}, // closed, not left open
    };
    for (const auto &p : panels) {
        env.set("SUMWISE_ALERT_ANSWER", p.answer);
        // The panel's texts come translated and must not be translated again.
        EXPECT_EQ(runAlertPanel("Sure?", "%@:\n\t%@", {"Formula", "1+1"}, "OK", "Copy", p.copy),
                  p.expected)
            << p.answer;
    }
    // Ticking through the environment makes the runner remember.
    env.set("SUMWISE_ALERT_ANSWER", "check+default");
    ask(defaults, "Go?", QString());
    EXPECT_EQ(defaults.integerForKey(R"(NSAlert AutoSuppress "Go?")", 9), AlertDefaultReturn);
    // An answerer takes precedence over the environment.
    answer(AlertOtherReturn);
    EXPECT_EQ(runAlertPanel("Sumwise", "x", {}, "OK", "Copy"), AlertOtherReturn);

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QJsonObject> lines;
    for (const QByteArray &line : file.readAll().trimmed().split('\n'))
        lines.append(QJsonDocument::fromJson(line).object());
    ASSERT_EQ(lines.size(), std::size(panels) + 2); // and the runner's, and the answerer's
    EXPECT_EQ(lines[0]["title"], "Sure?");
    EXPECT_EQ(lines[0]["informativeText"], "Formula:\n\t1+1");
    EXPECT_EQ(lines[0]["answer"], AlertAlternateReturn);
    EXPECT_EQ(lines[2]["disabledButtons"], QJsonArray({"Copy"}));
    EXPECT_TRUE(lines[3]["checked"].toBool());
}

TEST_F(Alerts, PanelsBlockNoOtherWindowNorEachOther) {
    const auto visiblePanel = [](const QString &title) -> QMessageBox * {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(window);
            if (box && box->isVisible() && box->text() == title)
                return box;
        }
        return nullptr;
    };
    int second = AlertNoAnswer;
    bool checked = false;
    // The second panel opens while the first one waits, as a second request would.
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            QMessageBox *first = visiblePanel("First"), *now = visiblePanel("Second");
            ASSERT_TRUE(first && now);
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
            checked = true;
            // Answered in either order, each panel keeps its own answer.
            alertButton(*first, AlertAlternateReturn)->click();
            EXPECT_FALSE(first->isVisible());
            alertButton(*now, AlertDefaultReturn)->click();
        });
        second = runAlertPanel("Second", "b", {}, "OK", "Copy");
    });
    EXPECT_EQ(runAlertPanel("First", "a", {}, "OK", "Copy"), AlertAlternateReturn);
    EXPECT_TRUE(checked);
    EXPECT_EQ(second, AlertDefaultReturn);
}

} // namespace
