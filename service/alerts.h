// Alert panels with fixed button codes, and answers the user asked us to remember.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAbstractButton;
class UserDefaults;

namespace service {

/// What running an alert returns: the code of the pressed button, or AlertNoAnswer when the
/// alert could not be made or was closed (Escape, window close) without a button.
inline constexpr int AlertDefaultReturn = 1;
inline constexpr int AlertAlternateReturn = 0;
inline constexpr int AlertOtherReturn = -1;
inline constexpr int AlertNoAnswer = -2;

/// Whether the alert's texts are looked up in the translations before they are shown.
enum class Localize { No, Yes };
/// Whether the alert offers the "Never ask me again" checkbox.
enum class SuppressionButton { Hidden, Shown };
/// The icon of an alert.
enum class AlertStyle { Warning, Informational, Critical };

/// format with every "%@" replaced by the next value ("" once the values run out; extra values
/// are ignored), "%n$@" by the n-th value, and "%%" by "%". Other "%" sequences are kept as they
/// are. A null format gives a null text.
QString stringWithFormat(const QString &format, const QStringList &values);

/// A new alert without texts or buttons; null without a QApplication or off its thread.
std::unique_ptr<QMessageBox> newAlert();

/// Builds an alert, not yet shown. Buttons are added in the order default, alternate, other,
/// with the codes 1, 0 and -1; a null title adds no button. The informative text is format
/// filled with values (none for a null format). With Localize::Yes the message text, the
/// format and the titles are translated first; the checkbox title always is. Null when no
/// alert can be made.
std::unique_ptr<QMessageBox>
alertWithMessageText(Localize localized, const QString &messageText, const QString &defaultButton,
                     const QString &alternateButton, const QString &otherButton,
                     SuppressionButton suppression, const QString &informativeFormat,
                     const QStringList &values = {});

// Shorthands for the factory. Without button arguments the only button is "OK".
std::unique_ptr<QMessageBox>
alertWithMessageText(const QString &messageText, const QString &defaultButton,
                     const QString &alternateButton, const QString &otherButton,
                     SuppressionButton suppression, const QString &informativeFormat,
                     const QStringList &values = {});
std::unique_ptr<QMessageBox> alertWithMessageText(const QString &messageText,
                                                  const QString &informativeFormat,
                                                  const QStringList &values = {});
std::unique_ptr<QMessageBox> alertWithMessageText(const QString &messageText,
                                                  SuppressionButton suppression,
                                                  const QString &informativeFormat,
                                                  const QStringList &values = {});
std::unique_ptr<QMessageBox>
localizedAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                              const QString &alternateButton, const QString &otherButton,
                              const QString &informativeFormat, const QStringList &values = {});
std::unique_ptr<QMessageBox>
localizedAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                              const QString &alternateButton, const QString &otherButton,
                              SuppressionButton suppression, const QString &informativeFormat,
                              const QStringList &values = {});
std::unique_ptr<QMessageBox> localizedAlertWithMessageText(const QString &messageText,
                                                           const QString &informativeFormat,
                                                           const QStringList &values = {});
std::unique_ptr<QMessageBox> localizedAlertWithMessageText(const QString &messageText,
                                                           SuppressionButton suppression,
                                                           const QString &informativeFormat,
                                                           const QStringList &values = {});

/// The user-defaults key under which the answer to this question is remembered, built from the
/// untranslated texts; a null format makes a different key from any format.
QString autoSuppressKey(const QString &messageText, const QString &informativeFormat);

/// Shows the alert with the checkbox, unless an answer is remembered in defaults, which is then
/// returned without showing anything. The answer is remembered only when the user ticked the
/// checkbox and pressed a button.
int autoSuppressAlertWithMessageText(UserDefaults &defaults, Localize localized,
                                     const QString &messageText, const QString &defaultButton,
                                     const QString &alternateButton, const QString &otherButton,
                                     const QString &informativeFormat,
                                     const QStringList &values = {});

// The same on the standard user defaults. Without button arguments the only button is "OK".
int autoSuppressAlertWithMessageText(Localize localized, const QString &messageText,
                                     const QString &defaultButton, const QString &alternateButton,
                                     const QString &otherButton, const QString &informativeFormat,
                                     const QStringList &values = {});
int autoSuppressAlertWithMessageText(const QString &messageText, const QString &defaultButton,
                                     const QString &alternateButton, const QString &otherButton,
                                     const QString &informativeFormat,
                                     const QStringList &values = {});
int autoSuppressLocalizedAlertWithMessageText(
    const QString &messageText, const QString &defaultButton, const QString &alternateButton,
    const QString &otherButton, const QString &informativeFormat, const QStringList &values = {});
int autoSuppressAlertWithMessageText(const QString &messageText, const QString &informativeFormat,
                                     const QStringList &values = {});
int autoSuppressLocalizedAlertWithMessageText(const QString &messageText,
                                              const QString &informativeFormat,
                                              const QStringList &values = {});

/// Shows the alert modally and returns the pressed button's code (AlertNoAnswer when it was
/// closed without one). A button without a code, such as the OK that Qt adds to an alert
/// without buttons, answers by its role: accepting 1, rejecting 0, anything else -1.
int runModal(QMessageBox &alert);

/// True when the alert has a visible suppression checkbox and the user ticked it.
bool shouldSuppress(const QMessageBox &alert);

void setAlertStyle(QMessageBox &alert, AlertStyle style);

/// The code a button was given by the factory, or AlertNoAnswer when it has none.
int alertButtonCode(const QAbstractButton *button);
/// The alert's button carrying code, or null.
QAbstractButton *alertButton(const QMessageBox &alert, int code);

/// True when defaults holds a remembered answer: a key beginning with "NSAlert AutoSuppress",
/// "DontAsk" or "DontCheck".
bool shouldResetAlerts(const UserDefaults &defaults);
/// Removes every such key; does not synchronize.
void resetAlerts(UserDefaults &defaults);

/// Marks a text that needs no translation; returns it unchanged (sharing its data).
inline QString LocalizationNotNeeded(const QString &text) {
    return text;
}

/// Whether a panel's alternate button can be pressed.
enum class AlternateButton { Enabled, Disabled };

/// Shows a panel with the informational icon: title as the message text, format filled with
/// values as the informative text, and a default and an alternate button. Texts are shown as
/// given (callers translate them). Returns 1, 0, or AlertNoAnswer when closed. The panel
/// blocks no other window, other panels included: it waits for its answer in a loop of its
/// own, so a panel opened meanwhile must close before this one returns.
int runAlertPanel(const QString &title, const QString &format, const QStringList &values,
                  const QString &defaultButton, const QString &alternateButton,
                  AlternateButton alternateState = AlternateButton::Enabled);

/// Answers alerts in place of the user: when set, runModal and runAlertPanel call it instead of
/// showing the alert and return what it returns. Returns the previous answerer. For tests.
///
/// Without an answerer, the environment can drive the real run: SUMWISE_ALERT_ANSWER set to
/// "default", "alternate", "other" or "close", optionally preceded by "check+", clicks that
/// button (ticking the checkbox first) as soon as the alert is shown; without such an enabled
/// button the alert is closed. When SUMWISE_ALERT_LOG
/// names a file, every run appends one JSON line describing the alert and its answer.
using AlertAnswerer = std::function<int(QMessageBox &)>;
AlertAnswerer setAlertAnswerer(AlertAnswerer answerer);

} // namespace service
