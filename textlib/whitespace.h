// Removing and collapsing classes of code units.
#pragma once

#include <QString>

namespace textlib {

/// Deletes every member of whiteCharacterSetRep() in place, wherever it stands.
void removeWhiteSpaces(QString &s);

} // namespace textlib
