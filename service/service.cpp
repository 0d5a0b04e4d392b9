#include "service.h"

#include "alerts.h"
#include "platform/activeapplication.h"
#include "platform/gui/beep.h"
#include "platform/localization.h"
#include "platform/resources.h"
#include "textlib/lines.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace service {

QString characters(const PasteboardText &text) {
    if (const auto *plain = std::get_if<QString>(&text))
        return *plain;
    if (const auto *styled = std::get_if<AttributedString>(&text))
        return styled->string();
    return QString();
}

} // namespace service

namespace service {

std::pair<QString, QByteArray> richTextOfPboard(const Pasteboard &pboard) {
    const QStringList types = pboard.types();
    for (const QString &type : {PasteboardType::RTFD, PasteboardType::RTF}) {
        if (types.contains(type)) {
            if (QByteArray data = pboard.dataForType(type); !data.isNull())
                return {type, data};
        }
    }
    return {};
}

} // namespace service

service::PasteboardText Service::getStringOfPboard(const Pasteboard &pboard, service::TextForm form,
                                                   QVariantMap *documentAttributes) {
    const QStringList types = pboard.types();
    didPerformService();
    if (documentAttributes)
        documentAttributes->clear();

    std::optional<AttributedString> styled;
    if (const auto [type, data] = service::richTextOfPboard(pboard); type == PasteboardType::RTFD)
        styled = AttributedString::fromRTFD(data, documentAttributes);
    else if (type == PasteboardType::RTF)
        styled = AttributedString::fromRTF(data, documentAttributes);

    if (styled) {
        if (form == service::TextForm::Attributed)
            return *std::move(styled);
        return styled->string();
    }
    if (types.contains(PasteboardType::String)) {
        const QString plain = pboard.stringForType(PasteboardType::String);
        if (!plain.isNull())
            return plain;
    }
    return {};
}

service::PasteboardText Service::getMutableStringOfPboard(const Pasteboard &pboard) {
    return mutableCopyOfPboardString(getStringOfPboard(pboard, service::TextForm::Attributed));
}

service::PasteboardText Service::mutableCopyOfPboardString(const service::PasteboardText &text) {
    // Values copy on write, so a copy is already the caller's own.
    return text;
}

// Styled lines cut where the plain ones are, except that an attachment stays inside its line.
static QList<AttributedString> styledLines(const AttributedString &text) {
    QList<AttributedString> result;
    const QString &s = text.string();
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        const bool feed = textlib::isFeed(c) && c != AttachmentCharacter;
        if (feed && c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
            ++i;
        if (feed || i + 1 == s.size()) {
            result.append(text.attributedSubstringFromRange(start, i + 1 - start));
            start = i + 1;
        }
    }
    return result;
}

service::PasteboardText Service::getEmptyMutableStringAndLines(service::PasteboardLines *lines,
                                                               const Pasteboard &pboard) {
    const service::PasteboardText text = getStringOfPboard(pboard, service::TextForm::Attributed);
    didPerformService();
    if (const auto *styled = std::get_if<AttributedString>(&text)) {
        if (lines)
            *lines = styledLines(*styled);
        return AttributedString();
    }
    if (const auto *plain = std::get_if<QString>(&text)) {
        if (lines)
            *lines = textlib::lines(*plain);
        return QString(QLatin1StringView(""));
    }
    if (lines)
        *lines = std::monostate();
    return {};
}

QList<Pasteboard *> Service::writeTargets(Pasteboard &pboard) {
    didPerformService();
    if (pboard.name() != GeneralPboard) {
        const QString active =
            activeApplication ? activeApplication() : platform::activeApplicationName();
        if (active == u"Mail")
            return {&generalPasteboard(), &pboard};
    }
    return {&pboard};
}

void Service::writeString(const service::PasteboardText &text, Pasteboard &pboard) {
    for (Pasteboard *target : writeTargets(pboard))
        _writeString(text, *target);
}

void Service::writeData(const QByteArray &data, const QString &type, Pasteboard &pboard) {
    for (Pasteboard *target : writeTargets(pboard)) {
        target->declareTypes({type});
        target->setData(data, type);
    }
}

void Service::_writeString(const service::PasteboardText &text, Pasteboard &pboard) {
    if (const auto *styled = std::get_if<AttributedString>(&text)) {
        const bool attachments = styled->containsAttachments();
        const QString type = attachments ? PasteboardType::RTFD : PasteboardType::RTF;
        const QByteArray data = attachments ? styled->RTFDFromRange(0, styled->length())
                                            : styled->RTFFromRange(0, styled->length());
        if (data.isEmpty())
            return;
        pboard.declareTypes({type});
        pboard.setData(data, type);
    } else if (const auto *plain = std::get_if<QString>(&text)) {
        pboard.declareTypes({PasteboardType::String});
        pboard.setString(*plain, PasteboardType::String);
    }
}

bool Service::launchedAsApplication() {
    if (m_didPerformService)
        return false;
    const QString title = QCoreApplication::applicationName();
    const QString text = platform::localizedString("SERVICE_LAUNCH");
    const QString quit = platform::localizedString("Quit");
    const QString help = platform::localizedString("Help");
    if (service::runAlertPanel(title, text, {}, quit, help) == 0) {
        const QString manual = platform::dataPath(QStringLiteral("help/Read Me.pdf"));
        if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
            platform::beep();
    }
    return true;
}
