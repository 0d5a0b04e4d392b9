// Base class of the object that serves the desktop's service requests: reads the selection
// from a pasteboard in its richest form and writes results back.
#pragma once

#include "pasteboard/pasteboard.h"
#include "styledtext/attributedstring.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <utility>
#include <variant>

class QObject;

namespace service {

/// Text as a pasteboard holds it: absent, plain, or styled.
using PasteboardText = std::variant<std::monostate, QString, AttributedString>;

/// Lines of plain or styled text, each with its own terminator.
using PasteboardLines = std::variant<std::monostate, QStringList, QList<AttributedString>>;

/// Which form of the selection a reader wants.
enum class TextForm { Characters, Attributed };

/// The characters of any pasteboard text; null when absent.
QString characters(const PasteboardText &text);

/// The rich flavour the selection is read from: RTFD when offered, else RTF. The data is null
/// when neither holds any.
std::pair<QString, QByteArray> richTextOfPboard(const Pasteboard &pboard);

} // namespace service

class Service {
public:
    Service() = default;
    virtual ~Service() = default;

    /// Records that a service request has touched a pasteboard.
    void didPerformService() { m_didPerformService = true; }
    bool hasPerformedService() const { return m_didPerformService; }

    /// The selection: styled text from the attachment flavour, else from RTF, else plain text;
    /// with service::TextForm::Characters the styled text's characters alone. Only one rich flavour
    /// is tried: rich data that cannot be parsed falls back to plain text.
    service::PasteboardText getStringOfPboard(const Pasteboard &pboard, service::TextForm form,
                                              QVariantMap *documentAttributes = nullptr);
    /// An editable copy of the text read in its styled form.
    service::PasteboardText getMutableStringOfPboard(const Pasteboard &pboard);
    /// An empty text of the kind the pasteboard holds, and its lines.
    service::PasteboardText getEmptyMutableStringAndLines(service::PasteboardLines *lines,
                                                          const Pasteboard &pboard);
    static service::PasteboardText mutableCopyOfPboardString(const service::PasteboardText &text);

    /// Writes text in the one flavour that fits it. While the mail application is in front, a
    /// write to a service pasteboard goes to the clipboard first, too.
    void writeString(const service::PasteboardText &text, Pasteboard &pboard);
    /// Writes data of one type, the same way.
    void writeData(const QByteArray &data, const QString &type, Pasteboard &pboard);

    /// False once a request has been served. Otherwise the program was started by hand: shows
    /// the launch panel, opens the help on request, and answers true (time to quit).
    bool launchedAsApplication();

    /// Reserved for subclasses; nothing here uses it.
    QObject *servicesMenu() const { return m_servicesMenu; }

    /// Where the desktop clipboard and the active application come from; tests replace them.
    std::function<Pasteboard &()> generalPasteboard = &Pasteboard::generalPasteboard;
    std::function<QString()> activeApplication;

protected:
    void _writeString(const service::PasteboardText &text, Pasteboard &pboard);
    // The pasteboards a write goes to: the clipboard first while the mail application is in
    // front, then pboard.
    QList<Pasteboard *> writeTargets(Pasteboard &pboard);

    QObject *m_servicesMenu = nullptr;
    bool m_didPerformService = false;
};
