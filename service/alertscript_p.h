// The seam through which tests and scripts drive alerts of the real program where nobody can
// click, and read back what was shown:
//
//   SUMWISE_ALERT_ANSWER  "default", "alternate", "other" or "close", optionally after
//                         "check+" (ticks the suppression box first): the answer given to
//                         every alert as soon as it runs. An unknown word, or a button that is
//                         absent or disabled, closes the alert without an answer, with a warning.
//   SUMWISE_ALERT_LOG     a file to which every alert run appends one line of JSON: title,
//                         informativeText, buttons (in the order 1, 0, -1), checkbox, checked,
//                         style, answer, and disabledButtons when a button was disabled.
#pragma once

#include <QString>

class QAbstractButton;
class QMessageBox;

namespace service::alertscript {

/// The property holding a button's answer code.
inline constexpr char CodeProperty[] = "sumwiseAlertCode";

/// A button's or check box's title as the user reads it (no "&" mnemonics).
QString shownTitle(const QAbstractButton *button);
/// Gives the alert SUMWISE_ALERT_ANSWER's answer once its loop runs; nothing when unset.
void scheduleScriptedAnswer(QMessageBox &alert);
/// Appends the alert and its answer to SUMWISE_ALERT_LOG; nothing when unset.
void logAlert(const QMessageBox &alert, int code);

} // namespace service::alertscript
