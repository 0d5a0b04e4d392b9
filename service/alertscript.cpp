#include "alertscript_p.h"

#include "alerts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace service::alertscript {

QString shownTitle(const QAbstractButton *button) {
    return button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

namespace {

struct ScriptedAnswer {
    bool tick = false;
    int code = AlertNoAnswer;
};

std::optional<ScriptedAnswer> scriptedAnswer() {
    const QString value = qEnvironmentVariable("SUMWISE_ALERT_ANSWER").trimmed();
    if (value.isEmpty())
        return std::nullopt;
    ScriptedAnswer answer;
    QStringView word = value;
    if (word.startsWith(u"check+")) {
        answer.tick = true;
        word = word.sliced(6);
    }
    if (word == u"default")
        answer.code = AlertDefaultReturn;
    else if (word == u"alternate")
        answer.code = AlertAlternateReturn;
    else if (word == u"other")
        answer.code = AlertOtherReturn;
    else if (word != u"close")
        qWarning("SUMWISE_ALERT_ANSWER: unknown answer \"%s\"; closing the alert",
                 qUtf8Printable(value));
    return answer;
}

// The factory's buttons in the order they were added (codes 1, 0, -1), then any others.
QList<QAbstractButton *> orderedButtons(const QMessageBox &alert) {
    QList<QAbstractButton *> buttons = alert.buttons();
    std::stable_sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) {
        const QVariant ca = a->property(CodeProperty), cb = b->property(CodeProperty);
        if (ca.isValid() != cb.isValid())
            return ca.isValid();
        return ca.isValid() && ca.toInt() > cb.toInt();
    });
    return buttons;
}

QString styleName(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Information:
        return QStringLiteral("informational");
    case QMessageBox::Warning:
        return QStringLiteral("warning");
    case QMessageBox::Critical:
        return QStringLiteral("critical");
    default:
        return QStringLiteral("none");
    }
}

} // namespace

// Clicks the scripted answer once the alert's loop runs, so the run does its real work.
void scheduleScriptedAnswer(QMessageBox &alert) {
    const std::optional<ScriptedAnswer> answer = scriptedAnswer();
    if (!answer)
        return;
    QTimer::singleShot(0, &alert, [&alert, answer = *answer] {
        if (answer.tick) {
            if (QCheckBox *checkBox = alert.checkBox())
                checkBox->setChecked(true);
        }
        if (answer.code != AlertNoAnswer) {
            auto *button = qobject_cast<QPushButton *>(alertButton(alert, answer.code));
            // A disabled button ignores clicks: the run would never end.
            if (button && button->isEnabled()) {
                button->click();
                return;
            }
            qWarning("SUMWISE_ALERT_ANSWER: the alert has no enabled button with code %d; "
                     "closing it",
                     answer.code);
        }
        alert.close();
        // A plain QMessageBox ignores closing when no button would take Escape.
        if (alert.isVisible())
            alert.reject();
    });
}

void logAlert(const QMessageBox &alert, int code) {
    const QString path = qEnvironmentVariable("SUMWISE_ALERT_LOG");
    if (path.isEmpty())
        return;
    QJsonArray buttons, disabled;
    for (const QAbstractButton *button : orderedButtons(alert)) {
        buttons.append(shownTitle(button));
        if (!button->isEnabled())
            disabled.append(shownTitle(button));
    }
    const QCheckBox *checkBox = alert.checkBox();
    QJsonObject entry{
        {QStringLiteral("title"), alert.text()},
        {QStringLiteral("informativeText"), alert.informativeText()},
        {QStringLiteral("buttons"), buttons},
        {QStringLiteral("checkbox"),
         checkBox ? QJsonValue(shownTitle(checkBox)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("checked"), shouldSuppress(alert)},
        {QStringLiteral("style"), styleName(alert.icon())},
        {QStringLiteral("answer"), code},
    };
    if (!disabled.isEmpty())
        entry.insert(QStringLiteral("disabledButtons"), disabled);
    QFile file(path);
    // One unbuffered append per line keeps lines of concurrent processes whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        qWarning("SUMWISE_ALERT_LOG: cannot open %s", qUtf8Printable(path));
        return;
    }
    file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
}

} // namespace service::alertscript
