// Property lists and location files from arbitrary bytes: reading never crashes, whatever is
// read can be written, and what is written reads back to the same bytes when written again.
#include "filelib/internetlocations.h"
#include "filelib/propertylist.h"

#include "textlib/charactersets.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

#include <cstdlib>

namespace {

bool trimmed(const QString &s) {
    const auto white = textlib::whiteCharacterSetRep();
    return s.isEmpty()
           || (!textlib::isMember(white, s.front().unicode())
               && !textlib::isMember(white, s.back().unicode()));
}

void checkLocationFile(const QByteArray &bytes) {
    static const QString base = QDir::tempPath() + QStringLiteral("/fuzz_plist_%1").arg(::getpid());
    for (const char *extension : {".url", ".webloc"}) {
        const QString path = base + QLatin1StringView(extension);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
        file.close();
        QString name;
        const QString address = filelib::resolveInternetLocation(path, &name);
        if ((address.isNull() && !name.isNull()) || !trimmed(extension[1] == 'u' ? address : ""))
            std::abort();
        QFile::remove(path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QVariant value = filelib::propertyListFromData(bytes);
    if (value.isValid()) {
        const QByteArray xml = filelib::propertyListData(value);
        if (xml.isNull())
            std::abort();
        const QVariant again = filelib::propertyListFromData(xml);
        if (!again.isValid() || filelib::propertyListData(again) != xml)
            std::abort();
    }
    checkLocationFile(bytes);
    return 0;
}
