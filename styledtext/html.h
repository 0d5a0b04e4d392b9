// Reading HTML into styled text.
#pragma once

#include "styledtext/attributedstring.h"

#include <QByteArray>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <optional>

/// HTML with more bytes than this is refused.
constexpr qsizetype MaximumHTMLSize = 64 * 1024 * 1024;
/// HTML with more tags than this is refused: the parser needs about half a kilobyte and some
/// microseconds for each.
constexpr qsizetype MaximumHTMLTags = 500'000;
/// HTML whose elements may nest deeper than this is refused: the parser's time grows with the
/// depth for every element. Void elements and those whose end tag HTML lets out (p, li, td...)
/// are not counted.
constexpr qsizetype MaximumHTMLDepth = 1'000;

/// The picture files one page may read from disk, in bytes.
constexpr qsizetype MaximumHTMLPictureBytes = 256 * 1024 * 1024;

/// Gives the bytes of the picture at an absolute address, or nullopt to leave it out. A caller's
/// loader replaces the reading of file: addresses, so it decides alone what is read.
using HTMLResourceLoader = std::function<std::optional<QByteArray>(const QUrl &address)>;

/// The base address handed to the HTML reader: the given one when it is valid and not empty.
std::optional<QUrl> baseURLForWebKit(const QUrl &url);

/// Styled text from HTML, through QTextDocument. The bytes are decoded after their byte order
/// mark or <meta> charset; without one, as UTF-8, or as Windows-1252 when they are no UTF-8.
/// nullopt for empty input and for input past the limits above; anything else, binary data
/// included, reads as some text.
///
/// Kept: font family (the first one listed), size (CSS pixels are 3/4 point; HTML sizes 1-7 and
/// headings scale 12 points), bold (weight 600 and up), italic, underline and its colour,
/// text and background colours, links (resolved against baseURLForWebKit(baseUrl); links look
/// as linkColor() unless the page styles them), paragraph spacing (top and bottom margins) and
/// minimum or exact line heights. Blocks end in "\n", table cells in "\t" within a row; list
/// items start with their bullet or number, nested ones indented by tabs.
///
/// Images become attachments: those whose bytes are in the page (data: addresses of an image
/// type) and those at an address, resolved against the base, that the loader gives bytes for.
/// Without a loader, only file: addresses are read: regular files, at most
/// AttributedString::MaximumPictureSize bytes each and MaximumHTMLPictureBytes in all. Only
/// bytes of an image type are taken; an image left out leaves its alt text. Nothing else is
/// fetched (style sheets neither) and nothing from the network, so there is nothing to wait
/// for and no time-out: the limits above keep parsing to seconds.
///
/// documentAttributes, when given, receives DocumentAttribute::Title from <title> when there
/// is one; it is emptied when the result is nullopt.
///
/// Lays the page out with fonts, as Qt's text document does: nullopt without a
/// QGuiApplication, where Qt would crash.
std::optional<AttributedString> attributedStringWithHTML(const QByteArray &html,
                                                         const QUrl &baseUrl = {},
                                                         QVariantMap *documentAttributes = nullptr,
                                                         const HTMLResourceLoader &loader = {});
