#include "sumwise.h"

#include "alerts.h"
#include "pasteboard/pasteboard.h"
#include "platform/gui/beep.h"
#include "platform/localization.h"
#include "styledtext/rtfappend.h"

#include "evaluator/textservices.h"

// The services' failure report: a beep, and the message for the requester.
static void fail(QString *error, const QString &message) {
    platform::beep();
    if (error)
        *error = message;
}

void Sumwise::doCalcSubstituteService(Pasteboard &pboard, const QString &userData, QString *error) {
    Q_UNUSED(userData);
    const QString text =
        service::characters(getStringOfPboard(pboard, service::TextForm::Characters));
    QString message;
    const QString result = textservices::substitute(*this, text, &message);
    if (!result.isNull())
        writeString(result, pboard);
    else
        fail(error, message);
}

void Sumwise::doCalcAddService(Pasteboard &pboard, const QString &userData, QString *error) {
    Q_UNUSED(userData);
    service::PasteboardText selection = getStringOfPboard(pboard, service::TextForm::Attributed);
    if (const auto *plain = std::get_if<QString>(&selection)) {
        QString message;
        const QString extended = textservices::add(*this, *plain, &message);
        if (extended.isNull())
            fail(error, message);
        else
            writeString(extended, pboard);
        return;
    }
    QString message;
    const QString appended =
        textservices::appendedResult(*this, service::characters(selection), &message);
    if (appended.isNull()) {
        fail(error, message);
        return;
    }
    if (const auto *styled = std::get_if<AttributedString>(&selection)) {
        // The selection's own RTF keeps everything it holds, also what the styled-text model
        // has no place for; only the appended characters are new.
        const auto [type, rich] = service::richTextOfPboard(pboard);
        if (const std::optional<QByteArray> extended = rtfByAppending(rich, appended)) {
            writeData(*extended,
                      styled->containsAttachments() ? PasteboardType::RTFD : PasteboardType::RTF,
                      pboard);
            return;
        }
    }
    // Handing the selection over leaves the copy its only holder, so appending to it does not
    // duplicate every run of a large styled text.
    service::PasteboardText copy = mutableCopyOfPboardString(std::exchange(selection, {}));
    // A selected whole line keeps its line break after the result.
    if (auto *styled = std::get_if<AttributedString>(&copy))
        styled->replaceCharacters(textservices::lineContentLength(styled->string()), 0, appended);
    writeString(copy, pboard);
}

void Sumwise::doCalcShowService(Pasteboard &pboard, const QString &userData, QString *error) {
    Q_UNUSED(userData);
    Q_UNUSED(error);
    const QString formula =
        service::characters(getStringOfPboard(pboard, service::TextForm::Characters));
    const QString result = doSumwise(formula);
    const bool ok = !result.isNull() && succeeded();
    const QString ok_ = platform::localizedString("OK");
    const QString copy = platform::localizedString("Copy");
    const QString formulaLabel = platform::localizedString("Formula");
    const QString resultLabel = platform::localizedString("Result");
    const QString shown = ok ? result : errorMessage();
    // After a failure there is no result the user saw; copying "0" would invent one.
    const int answer = service::runAlertPanel(
        QStringLiteral("Sumwise"), QStringLiteral("%@:\n\t%@\n\n%@:\n\t%@"),
        {formulaLabel, formula, resultLabel, shown}, ok_, copy,
        ok ? service::AlternateButton::Enabled : service::AlternateButton::Disabled);
    if (answer == 0 && ok)
        writeString(result, generalPasteboard());
    // The serving loop ends the program at the end of this slice, once the reply is out.
    m_terminate = true;
}

void Sumwise::doCalcCopyService(Pasteboard &pboard, const QString &userData, QString *error) {
    Q_UNUSED(userData);
    const QString text =
        service::characters(getStringOfPboard(pboard, service::TextForm::Characters));
    QString message;
    const QString result = textservices::substitute(*this, text, &message);
    if (!result.isNull())
        writeString(result, generalPasteboard());
    else
        fail(error, message);
}
