// Alerts and panels: their buttons, keys and texts, the answers remembered, the environment
// that scripts them for the program's tests, and the log they write.
#include "platform/userdefaults.h"
#include "service/alerts.h"

#include <QApplication>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace service;

namespace {

// A translation table without .qm files: German for a few keys.
class FakeTranslator : public QTranslator {
public:
    QString translate(const char *, const char *source, const char *, int) const override {
        static const QHash<QString, QString> table{{"Never ask me again", "Nie wieder fragen"},
                                                   {"OK", "Gut"},
                                                   {"Sure?", "Sicher?"},
                                                   {"%@ files", "%@ Dateien"}};
        return table.value(QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }
};

QStringList titlesByCode(const QMessageBox &alert) {
    QStringList titles;
    for (int code : {AlertDefaultReturn, AlertAlternateReturn, AlertOtherReturn}) {
        if (const QAbstractButton *button = alertButton(alert, code))
            titles << button->text().replace("&&", "&");
    }
    return titles;
}

// Runs the real modal loop and acts on the shown alert from inside it.
int runDoing(QMessageBox &alert, std::function<void()> action) {
    QTimer::singleShot(0, &alert, std::move(action));
    return runModal(alert);
}

int runWithKey(QMessageBox &alert, int key) {
    return runDoing(alert, [&alert, key] {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&alert, &press);
    });
}

class Alerts : public testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::installTranslator(&m_translator);
        // A modal loop that nobody ends would hang the suite; end it and fail instead.
        m_watchdog.setInterval(3000);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible()) {
                    ADD_FAILURE() << "alert left open";
                    dialog->reject();
                }
            }
        });
        m_watchdog.start();
    }
    void TearDown() override {
        setAlertAnswerer({});
        QCoreApplication::removeTranslator(&m_translator);
        qunsetenv("SUMWISE_ALERT_ANSWER");
        qunsetenv("SUMWISE_ALERT_LOG");
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
    QTimer m_watchdog;
};

TEST(AlertFormat, FillsPlaceholdersInOrder) {
    const struct {
        const char *format;
        QStringList values;
        QString expected;
    } cases[] = {
        {"", {}, ""},
        {"a%@b%@c", {"1"}, "a1bc"},
        {"%d 100%%", {}, "%d 100%"},
        {"%2$@ %1$@ %3$@|", {"a", "b"}, "b a |"},
        {"%0$@", {"a"}, "%0$@"},
        {"%99999999999999999999$@.", {"a"}, "."},
        {"%@%@", {"%@", "%%"}, "%@%%"},
    };
    for (const auto &c : cases) {
        const QString text = stringWithFormat(QString::fromUtf8(c.format), c.values);
        EXPECT_EQ(text, c.expected) << c.format;
        EXPECT_FALSE(text.isNull()) << c.format;
    }
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
        {"", none, none, {""}, Click, 0},
        {none, none, none, {}, Click, 0},
        {"OK", "Copy", none, {"OK", "Copy"}, Qt::Key_Return, AlertDefaultReturn},
        {none, "Cancel", none, {"Cancel"}, Qt::Key_Return, AlertAlternateReturn},
        {"OK", none, none, {"OK"}, Qt::Key_Escape, AlertNoAnswer}, // Qt would press a lone button
        {"OK", none, none, {"OK"}, Close, AlertNoAnswer},
    };
    for (const auto &c : cases) {
        auto alert =
            alertWithMessageText("Q", c.def, c.alt, c.other, SuppressionButton::Hidden, none);
        ASSERT_TRUE(alert);
        EXPECT_EQ(titlesByCode(*alert), c.titles);
        EXPECT_EQ(alert->buttons().size(), c.titles.size());
        if (c.key == Close) {
            EXPECT_EQ(runDoing(*alert, [&] { alert->close(); }), c.expected);
            // A second run does not report the first run's answer.
            EXPECT_EQ(runWithKey(*alert, Qt::Key_Return), AlertDefaultReturn);
        } else if (c.key != Click) {
            EXPECT_EQ(runWithKey(*alert, c.key), c.expected) << c.key;
        }
        for (int code : {AlertDefaultReturn, AlertAlternateReturn, AlertOtherReturn}) {
            if (QAbstractButton *button = alertButton(*alert, code); button && c.key == Click) {
                EXPECT_EQ(runDoing(*alert, [button] { button->click(); }), code);
            }
        }
    }
    // Qt's own OK button of a bare alert counts as the default.
    auto bare = newAlert();
    EXPECT_EQ(runDoing(*bare, [&] { bare->buttons().value(0)->click(); }), AlertDefaultReturn);
}

TEST_F(Alerts, LocalizingTranslatesTheCallersTextsButNotTheValues) {
    for (Localize localize : {Localize::No, Localize::Yes}) {
        auto alert = alertWithMessageText(localize, "Sure?", "OK", "Untranslated", QString(),
                                          SuppressionButton::Shown, "%@ files", {"OK"});
        // The checkbox is translated either way, and starts unticked.
        EXPECT_FALSE(shouldSuppress(*alert));
        EXPECT_EQ(
            QStringList({alert->text(), alert->informativeText(), alert->checkBox()->text()})
                + titlesByCode(*alert),
            localize == Localize::Yes
                ? QStringList({"Sicher?", "OK Dateien", "Nie wieder fragen", "Gut", "Untranslated"})
                : QStringList({"Sure?", "OK files", "Nie wieder fragen", "OK", "Untranslated"}));
    }
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
    EXPECT_EQ(titlesByCode(*alert), QStringList{"&Save"});
}

TEST_F(Alerts, SuppressionNeedsAVisibleTickedCheckbox) {
    EXPECT_FALSE(shouldSuppress(*alertWithMessageText("Q", SuppressionButton::Hidden, QString())));
    auto alert = alertWithMessageText("Q", SuppressionButton::Shown, QString());
    QCheckBox *box = alert->checkBox();
    box->setChecked(true);
    EXPECT_TRUE(shouldSuppress(*alert));
    box->setTristate(true);
    box->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(shouldSuppress(*alert));
    box->setCheckState(Qt::Checked);
    box->hide();
    EXPECT_FALSE(shouldSuppress(*alert));
}

TEST_F(Alerts, RunnerRemembersOnlyTickedAnswers) {
    const struct {
        int answer;
        bool tick, remembered;
    } cases[] = {
        {AlertDefaultReturn, false, false},
        {AlertAlternateReturn, true, true},
        {AlertNoAnswer, true, false},
    };
    for (const auto &c : cases) {
        resetAlerts(defaults);
        shown = 0;
        answer(c.answer, c.tick);
        EXPECT_EQ(ask(defaults, "Delete?", "%@ files", {"3"}), c.answer);
        EXPECT_EQ(shouldResetAlerts(defaults), c.remembered) << c.answer;
        // Other values, same question: asked again unless remembered.
        answer(7);
        EXPECT_EQ(ask(defaults, "Delete?", "%@ files", {"99"}), c.remembered ? c.answer : 7);
        EXPECT_EQ(shown, c.remembered ? 1 : 2) << c.answer;
    }
}

TEST_F(Alerts, RunnerTellsQuestionsApartByMessageAndFormat) {
    answer(AlertOtherReturn, true);
    const QString none;
    const struct {
        QString message, format, key;
    } questions[] = {
        {"Delete?", "%@ files", R"(NSAlert AutoSuppress "Delete?" "%@ files")"},
        {"Delete?", none, R"(NSAlert AutoSuppress "Delete?")"},
        {"Delete?", "", R"(NSAlert AutoSuppress "Delete?" "")"},
        {"x=\"1\"; [#]/\\", "%%", R"(NSAlert AutoSuppress "x="1"; [#]/\" "%%")"},
    };
    for (const auto &q : questions) {
        EXPECT_EQ(autoSuppressKey(q.message, q.format), q.key);
        const int before = shown;
        ask(defaults, q.message, q.format);
        EXPECT_EQ(shown, before + 1) << q.message.toStdString() << " is a new question";
    }
    // Each was remembered under its own key, also for a later process, until reset.
    UserDefaults later(defaults.fileName());
    for (const auto &q : questions) {
        EXPECT_EQ(later.integerForKey(q.key, 5), AlertOtherReturn) << q.key.toStdString();
        EXPECT_EQ(ask(later, q.message, q.format), AlertOtherReturn);
    }
    EXPECT_EQ(shown, std::size(questions));
    resetAlerts(later);
    ask(later, "Delete?", none);
    EXPECT_EQ(shown, std::size(questions) + 1);
    // A translated alert is remembered under its untranslated texts.
    autoSuppressAlertWithMessageText(defaults, Localize::Yes, "Sure?", "OK", none, none, none);
    EXPECT_NE(defaults.objectForKey(R"(NSAlert AutoSuppress "Sure?")"), QVariant());
}

TEST_F(Alerts, ResetFindsAndRemovesTheThreePrefixesOnly) {
    const struct {
        QStringList keys;
        bool found;
        QStringList kept;
    } cases[] = {
        {{}, false, {}},
        {{"dontask", "X DontAsk", "NSAlert Auto"}, false, {"NSAlert Auto", "X DontAsk", "dontask"}},
        {{"DontCheckSpelling", "DontAsk/sub", "NSAlert AutoSuppressX", "nsalert autosuppress"},
         true,
         {"nsalert autosuppress"}},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        UserDefaults store(dir.filePath("d.conf"));
        for (const QString &key : c.keys)
            store.setInteger(1, key);
        EXPECT_EQ(shouldResetAlerts(store), c.found) << c.keys.join(',').toStdString();
        resetAlerts(store);
        EXPECT_FALSE(shouldResetAlerts(store));
        QStringList kept = store.allKeys();
        kept.sort();
        EXPECT_EQ(kept, c.kept);
    }
}

TEST_F(Alerts, EnvironmentDrivesTheRealDialogAndLogsIt) {
    const QString log = m_dir.filePath("alerts.jsonl");
    qputenv("SUMWISE_ALERT_LOG", QFile::encodeName(log));
    const auto disabled = AlternateButton::Disabled;
    const struct {
        const char *answer;
        int expected;
        AlternateButton copy = AlternateButton::Enabled;
    } panels[] = {
        {"default", AlertDefaultReturn},
        {"alternate", AlertAlternateReturn},
        {"other", AlertNoAnswer}, // no such button
        {"nonsense", AlertNoAnswer},
        {"alternate", AlertNoAnswer, disabled}, // it can't be pressed: closed, not left open
    };
    for (const auto &p : panels) {
        qputenv("SUMWISE_ALERT_ANSWER", p.answer);
        // The panel's texts come translated and must not be translated again.
        EXPECT_EQ(runAlertPanel("Sure?", "%@:\n\t%@", {"Formula", "1+1"}, "OK", "Copy", p.copy),
                  p.expected)
            << p.answer;
    }
    // Ticking through the environment makes the runner remember.
    qputenv("SUMWISE_ALERT_ANSWER", "check+alternate");
    EXPECT_EQ(ask(defaults, "Go?", QString()), AlertAlternateReturn);
    EXPECT_EQ(defaults.integerForKey(R"(NSAlert AutoSuppress "Go?")", 9), AlertAlternateReturn);
    // An answerer takes precedence over the environment.
    answer(AlertOtherReturn);
    EXPECT_EQ(runAlertPanel("Sumwise", "x", {}, "OK", "Copy"), AlertOtherReturn);

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), std::size(panels) + 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[std::size(panels) - 1])["disabledButtons"],
              QJsonArray({"Copy"}));
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object(),
              QJsonObject({{"title", "Sure?"},
                           {"informativeText", "Formula:\n\t1+1"},
                           {"buttons", QJsonArray({"OK", "Copy"})},
                           {"checkbox", QJsonValue::Null},
                           {"checked", false},
                           {"style", "informational"},
                           {"answer", AlertDefaultReturn}}));
    EXPECT_TRUE(QJsonDocument::fromJson(lines[std::size(panels)])["checked"].toBool());
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
            EXPECT_EQ(first->windowModality(), Qt::NonModal);
            EXPECT_EQ(now->windowModality(), Qt::NonModal);
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

TEST(AlertsWithoutWidgets, NoAlertOffTheGuiThread) {
    std::unique_ptr<QMessageBox> alert;
    int code = 0;
    QThread *thread = QThread::create([&] {
        alert = alertWithMessageText("Q", QString());
        code = runAlertPanel("Q", "%@", {}, "OK", "Copy");
    });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_EQ(alert, nullptr);
    EXPECT_EQ(code, AlertNoAnswer);
}

} // namespace
