// Deciding from names alone what kind of document a file is.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace filelib {

// An extension comes without its dot; null and empty both mean none. A type code is a classic
// four-character file type between apostrophes ("'TEXT'"); null means none, and a code of any
// other length never matches. Extensions compare ignoring case (upper table), and only with
// entries of their own length; type codes compare exactly. No file content is ever read.
//
// The ...File(path) forms take the text after the last "." of the path's last component (none
// when it has no "."; trailing "/" ignored) and typeCodeOfFile(path).

/// The file's classic type code. Linux keeps none, so this is always null; the decisions then
/// rest on the extension alone.
QString typeCodeOfFile(const QString &path);

/// The rich-text extensions and type codes, 39 entries, built once.
const QStringList &attributedFileTypes();
/// "txt" and "text" are rich text only with the type code 'ttro' or 'sEXT'; otherwise 'TEXT'
/// is never rich text; otherwise an extension found among the list's extensions, or a type code
/// found among its type codes, is.
bool isAttributedExtension(QStringView extension, QStringView type = {});
bool isAttributedFile(const QString &path);

/// The extensions stored under "AdditionalPlainTextExtensions" in the standard user defaults,
/// read on first use and kept for the life of the process.
const QStringList &customTextFileTypes();
/// The plain-text type codes ('TERO', 'TEXT', 'ttro', 'sEXT'), then each built-in extension
/// followed by its upper-case form (123 of them, "tab" twice), then each custom extension
/// followed by its upper-case form.
QStringList textFileTypes();
/// True for a built-in or custom plain-text extension; otherwise true only with a plain-text
/// type code, and then false for the extensions svg, eps, hqx, bin, sit, zip, skp, exe, hlp,
/// ps and ai (an empty extension is plain text).
bool isTextExtension(QStringView extension, QStringView type = {});
bool isTextFile(const QString &path);

/// odt, ODT, ott, OTT, stw, STW, sxw, SXW.
QStringList openOfficeFileTypes();
/// Whether the extension is odt, ott, stw or sxw.
bool isOpenOfficeExtension(QStringView extension);
bool isOpenOfficeFile(const QString &path);

/// The Word extensions in both cases, then 'W8TN' and 'W8BN'.
QStringList wordFileTypes();
/// Whether the extension is doc, dot, docx, dotx, docm or dotm, or the type code is 'W8TN' or
/// 'W8BN'. With no type code this is the extension-only test.
bool isWordExtension(QStringView extension, QStringView type = {});
bool isWordFile(const QString &path);

/// 'ttro', 'sEXT', rtf, rtfd, RTF, RTFD, 'RTF '.
QStringList rtfFileTypes();
/// Whether the extension is rtf or rtfd, or the type code is 'RTF ', 'ttro' or 'sEXT'.
bool isRTFExtension(QStringView extension, QStringView type = {});
bool isRTFFile(const QString &path);

/// textClipping, clipping, 'clpt'.
QStringList textClippingTypes();
/// Whether the extension is textClipping or clipping, or the type code is 'clpt'.
bool isTextClippingExtension(QStringView extension, QStringView type = {});
bool isTextClippingFile(const QString &path);

} // namespace filelib
