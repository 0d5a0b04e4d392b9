#include "alerts.h"

#include "alertscript_p.h"

#include "platform/localization.h"
#include "platform/userdefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace service {

using namespace service::alertscript;

namespace {

constexpr char AlertKeyPrefix[] = "NSAlert AutoSuppress";

// Escape and the window's close button end the run without an answer; QMessageBox would
// instead press a lone button or the rejecting one, which would read as a real answer.
class AlertBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override { QDialog::closeEvent(event); }
};

AlertAnswerer &answererSlot() {
    static AlertAnswerer answerer;
    return answerer;
}

QString translated(const QString &text) {
    return text.isNull() ? text : platform::localizedString(text.toUtf8().constData());
}

// Button and checkbox titles are shown as given, not read as "&" mnemonics.
QString withoutMnemonics(const QString &title) {
    return QString(title).replace(u'&', QStringLiteral("&&"));
}

QPushButton *addCodedButton(QMessageBox &alert, const QString &title, int code,
                            QMessageBox::ButtonRole role) {
    if (title.isNull())
        return nullptr;
    QPushButton *button = alert.addButton(withoutMnemonics(title), role);
    button->setProperty(CodeProperty, code);
    return button;
}

void setPlainInformativeText(QMessageBox &alert, const QString &text) {
    alert.setInformativeText(text);
    // QMessageBox applies its text format to the message label only; a formula such as
    // "a<b" must not be read as markup.
    if (auto *label = alert.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
}

int answerOf(const QMessageBox &alert, const QAbstractButton *pressed) {
    if (!pressed)
        return AlertNoAnswer;
    const QVariant code = pressed->property(CodeProperty);
    if (code.isValid())
        return code.toInt();
    switch (alert.buttonRole(const_cast<QAbstractButton *>(pressed))) {
    case QMessageBox::AcceptRole:
    case QMessageBox::YesRole:
    case QMessageBox::ApplyRole:
        return AlertDefaultReturn;
    case QMessageBox::RejectRole:
    case QMessageBox::NoRole:
        return AlertAlternateReturn;
    default:
        return AlertOtherReturn;
    }
}

// Ends a panel's own loop however the panel goes away: a button, Escape, closing or hiding.
class HideWatcher final : public QObject {
public:
    HideWatcher(QWidget &watched, QEventLoop &loop)
        : m_loop(loop) {
        watched.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        // Minimising hides a window too, spontaneously; the panel is still open then.
        if (event->type() == QEvent::Hide && !event->spontaneous())
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

// The alert's run, modal or not; the answerer, the scripted answer and the log apply to both.
int runAlert(QMessageBox &alert, bool modal) {
    int code = AlertNoAnswer;
    // A copy, so an answerer that replaces itself is not destroyed while it runs.
    if (const AlertAnswerer answerer = answererSlot()) {
        code = answerer(alert);
    } else {
        // Tracked here rather than read from clickedButton(): a QMessageBox not made by the
        // factory reports its escape button as clicked when its window is merely closed.
        QAbstractButton *pressed = nullptr;
        const QMetaObject::Connection connection =
            QObject::connect(&alert, &QMessageBox::buttonClicked, &alert,
                             [&pressed](QAbstractButton *button) { pressed = button; });
        scheduleScriptedAnswer(alert);
        // A panel asked for from another application must come up in front of it, with the
        // focus; the desktop's startup or activation token of this process, if any, is used
        // by Qt when the window asks for activation.
        const auto bringToFront = [&alert] {
            alert.raise();
            alert.activateWindow();
        };
        if (modal) {
            QTimer::singleShot(0, &alert, bringToFront);
            alert.exec();
        } else {
            // exec() would block every other window, other panels included.
            alert.setWindowModality(Qt::NonModal);
            QEventLoop loop;
            const HideWatcher watcher(alert, loop);
            alert.show();
            bringToFront();
            loop.exec(QEventLoop::DialogExec);
        }
        QObject::disconnect(connection);
        code = answerOf(alert, pressed);
    }
    logAlert(alert, code);
    return code;
}

bool isAlertKey(const QString &key) {
    return key.startsWith(QLatin1StringView(AlertKeyPrefix))
           || key.startsWith(QLatin1StringView("DontAsk"))
           || key.startsWith(QLatin1StringView("DontCheck"));
}

} // namespace

QString stringWithFormat(const QString &format, const QStringList &values) {
    if (format.isNull())
        return QString();
    QString text = QStringLiteral(""); // a format always gives a text, if only an empty one
    text.reserve(format.size());
    qsizetype next = 0;
    const qsizetype end = format.size();
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 == end) {
            text += c;
            continue;
        }
        if (format[i + 1] == u'%') {
            text += u'%';
            ++i;
            continue;
        }
        if (format[i + 1] == u'@') {
            if (next < values.size())
                text += values[next];
            ++next;
            ++i;
            continue;
        }
        // "%n$@": translations may reorder the values.
        qsizetype k = i + 1;
        qsizetype index = 0;
        while (k < end && format[k] >= u'0' && format[k] <= u'9') {
            index = std::min<qsizetype>(index * 10 + (format[k].unicode() - u'0'), INT_MAX);
            ++k;
        }
        if (k > i + 1 && index > 0 && k + 1 < end && format[k] == u'$' && format[k + 1] == u'@') {
            if (index <= values.size())
                text += values[index - 1];
            i = k + 1;
            continue;
        }
        text += c;
    }
    return text;
}

std::unique_ptr<QMessageBox> newAlert() {
    const QCoreApplication *app = QCoreApplication::instance();
    // Widgets need a QApplication and its thread; anything else would abort.
    if (!qobject_cast<const QApplication *>(app) || QThread::currentThread() != app->thread())
        return nullptr;
    auto alert = std::make_unique<AlertBox>();
    alert->setTextFormat(Qt::PlainText);
    alert->setWindowTitle(QGuiApplication::applicationDisplayName());
    return alert;
}

std::unique_ptr<QMessageBox>
alertWithMessageText(Localize localized, const QString &messageText, const QString &defaultButton,
                     const QString &alternateButton, const QString &otherButton,
                     SuppressionButton suppression, const QString &informativeFormat,
                     const QStringList &values) {
    std::unique_ptr<QMessageBox> alert = newAlert();
    if (!alert)
        return nullptr;
    const bool translate = localized == Localize::Yes;
    const auto text = [translate](const QString &s) { return translate ? translated(s) : s; };

    if (!informativeFormat.isNull()) {
        const QString informative = stringWithFormat(text(informativeFormat), values);
        if (!informative.isNull())
            setPlainInformativeText(*alert, informative);
    }
    alert->setText(text(messageText));

    QPushButton *first =
        addCodedButton(*alert, text(defaultButton), AlertDefaultReturn, QMessageBox::AcceptRole);
    QPushButton *second = addCodedButton(*alert, text(alternateButton), AlertAlternateReturn,
                                         QMessageBox::RejectRole);
    QPushButton *third =
        addCodedButton(*alert, text(otherButton), AlertOtherReturn, QMessageBox::DestructiveRole);
    if (QPushButton *enterButton = first ? first : second ? second : third)
        alert->setDefaultButton(enterButton);

    if (suppression == SuppressionButton::Shown) {
        auto *checkBox =
            new QCheckBox(withoutMnemonics(platform::localizedString("Never ask me again")));
        checkBox->setChecked(false);
        alert->setCheckBox(checkBox);
    }
    return alert;
}

std::unique_ptr<QMessageBox>
alertWithMessageText(const QString &messageText, const QString &defaultButton,
                     const QString &alternateButton, const QString &otherButton,
                     SuppressionButton suppression, const QString &informativeFormat,
                     const QStringList &values) {
    return alertWithMessageText(Localize::No, messageText, defaultButton, alternateButton,
                                otherButton, suppression, informativeFormat, values);
}

std::unique_ptr<QMessageBox> alertWithMessageText(const QString &messageText,
                                                  const QString &informativeFormat,
                                                  const QStringList &values) {
    return alertWithMessageText(Localize::No, messageText, QStringLiteral("OK"), QString(),
                                QString(), SuppressionButton::Hidden, informativeFormat, values);
}

std::unique_ptr<QMessageBox> alertWithMessageText(const QString &messageText,
                                                  SuppressionButton suppression,
                                                  const QString &informativeFormat,
                                                  const QStringList &values) {
    return alertWithMessageText(Localize::No, messageText, QStringLiteral("OK"), QString(),
                                QString(), suppression, informativeFormat, values);
}

std::unique_ptr<QMessageBox>
localizedAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                              const QString &alternateButton, const QString &otherButton,
                              const QString &informativeFormat, const QStringList &values) {
    return alertWithMessageText(Localize::Yes, messageText, defaultButton, alternateButton,
                                otherButton, SuppressionButton::Hidden, informativeFormat, values);
}

std::unique_ptr<QMessageBox>
localizedAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                              const QString &alternateButton, const QString &otherButton,
                              SuppressionButton suppression, const QString &informativeFormat,
                              const QStringList &values) {
    return alertWithMessageText(Localize::Yes, messageText, defaultButton, alternateButton,
                                otherButton, suppression, informativeFormat, values);
}

std::unique_ptr<QMessageBox> localizedAlertWithMessageText(const QString &messageText,
                                                           const QString &informativeFormat,
                                                           const QStringList &values) {
    return alertWithMessageText(Localize::Yes, messageText, QStringLiteral("OK"), QString(),
                                QString(), SuppressionButton::Hidden, informativeFormat, values);
}

std::unique_ptr<QMessageBox> localizedAlertWithMessageText(const QString &messageText,
                                                           SuppressionButton suppression,
                                                           const QString &informativeFormat,
                                                           const QStringList &values) {
    return alertWithMessageText(Localize::Yes, messageText, QStringLiteral("OK"), QString(),
                                QString(), suppression, informativeFormat, values);
}

QString autoSuppressKey(const QString &messageText, const QString &informativeFormat) {
    return informativeFormat.isNull()
               ? stringWithFormat(QStringLiteral("NSAlert AutoSuppress \"%@\""), {messageText})
               : stringWithFormat(QStringLiteral("NSAlert AutoSuppress \"%@\" \"%@\""),
                                  {messageText, informativeFormat});
}

int autoSuppressAlertWithMessageText(UserDefaults &defaults, Localize localized,
                                     const QString &messageText, const QString &defaultButton,
                                     const QString &alternateButton, const QString &otherButton,
                                     const QString &informativeFormat, const QStringList &values) {
    const QString key = autoSuppressKey(messageText, informativeFormat);
    const qint64 remembered = defaults.integerForKey(key, AlertNoAnswer);
    if (remembered != AlertNoAnswer)
        return int(std::clamp<qint64>(remembered, INT_MIN, INT_MAX));

    const std::unique_ptr<QMessageBox> alert =
        alertWithMessageText(localized, messageText, defaultButton, alternateButton, otherButton,
                             SuppressionButton::Shown, informativeFormat, values);
    if (!alert)
        return AlertNoAnswer;
    const int code = runModal(*alert);
    if (code == AlertNoAnswer)
        return code;
    if (shouldSuppress(*alert)) {
        defaults.setInteger(code, key);
        // Later processes must see the answer even if this one ends abruptly.
        defaults.synchronize();
    }
    return code;
}

int autoSuppressAlertWithMessageText(Localize localized, const QString &messageText,
                                     const QString &defaultButton, const QString &alternateButton,
                                     const QString &otherButton, const QString &informativeFormat,
                                     const QStringList &values) {
    return autoSuppressAlertWithMessageText(UserDefaults::standardUserDefaults(), localized,
                                            messageText, defaultButton, alternateButton,
                                            otherButton, informativeFormat, values);
}

int autoSuppressAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                                     const QString &alternateButton, const QString &otherButton,
                                     const QString &informativeFormat, const QStringList &values) {
    return autoSuppressAlertWithMessageText(Localize::No, messageText, defaultButton,
                                            alternateButton, otherButton, informativeFormat,
                                            values);
}

int autoSuppressLocalizedAlertWithMessageText(
    const QString &messageText, const QString &defaultButton, const QString &alternateButton,
    const QString &otherButton, const QString &informativeFormat, const QStringList &values) {
    return autoSuppressAlertWithMessageText(Localize::Yes, messageText, defaultButton,
                                            alternateButton, otherButton, informativeFormat,
                                            values);
}

int autoSuppressAlertWithMessageText(const QString &messageText, const QString &informativeFormat,
                                     const QStringList &values) {
    return autoSuppressAlertWithMessageText(Localize::No, messageText, QStringLiteral("OK"),
                                            QString(), QString(), informativeFormat, values);
}

int autoSuppressLocalizedAlertWithMessageText(const QString &messageText,
                                              const QString &informativeFormat,
                                              const QStringList &values) {
    return autoSuppressAlertWithMessageText(Localize::Yes, messageText, QStringLiteral("OK"),
                                            QString(), QString(), informativeFormat, values);
}

int runModal(QMessageBox &alert) {
    return runAlert(alert, true);
}

bool shouldSuppress(const QMessageBox &alert) {
    const QCheckBox *checkBox = alert.checkBox();
    return checkBox && checkBox->isVisibleTo(&alert) && checkBox->checkState() == Qt::Checked;
}

void setAlertStyle(QMessageBox &alert, AlertStyle style) {
    switch (style) {
    case AlertStyle::Warning:
        alert.setIcon(QMessageBox::Warning);
        break;
    case AlertStyle::Informational:
        alert.setIcon(QMessageBox::Information);
        break;
    case AlertStyle::Critical:
        alert.setIcon(QMessageBox::Critical);
        break;
    }
}

int alertButtonCode(const QAbstractButton *button) {
    const QVariant code = button ? button->property(CodeProperty) : QVariant();
    return code.isValid() ? code.toInt() : AlertNoAnswer;
}

QAbstractButton *alertButton(const QMessageBox &alert, int code) {
    for (QAbstractButton *button : alert.buttons()) {
        const QVariant held = button->property(CodeProperty);
        if (held.isValid() && held.toInt() == code)
            return button;
    }
    return nullptr;
}

bool shouldResetAlerts(const UserDefaults &defaults) {
    const QStringList keys = defaults.allKeys();
    return std::any_of(keys.begin(), keys.end(), isAlertKey);
}

void resetAlerts(UserDefaults &defaults) {
    for (const QString &key : defaults.allKeys()) {
        if (isAlertKey(key))
            defaults.removeObjectForKey(key);
    }
}

int runAlertPanel(const QString &title, const QString &format, const QStringList &values,
                  const QString &defaultButton, const QString &alternateButton,
                  AlternateButton alternateState) {
    const std::unique_ptr<QMessageBox> alert =
        alertWithMessageText(Localize::No, title, defaultButton, alternateButton, QString(),
                             SuppressionButton::Hidden, format, values);
    if (!alert)
        return AlertNoAnswer;
    setAlertStyle(*alert, AlertStyle::Informational);
    if (QAbstractButton *alternate = alertButton(*alert, AlertAlternateReturn))
        alternate->setEnabled(alternateState == AlternateButton::Enabled);
    return runAlert(*alert, false);
}

AlertAnswerer setAlertAnswerer(AlertAnswerer answerer) {
    return std::exchange(answererSlot(), std::move(answerer));
}

} // namespace service
