#include "wildcard.h"

#include "textlib/conversiontables.h"

namespace filelib {

bool isCaseInsensitiveLikeWildcard(QStringView name, QStringView pattern) {
    const textlib::ConversionTable upper = textlib::initUpperCharsTable();
    const qsizetype n = name.size(), m = pattern.size();
    qsizetype i = 0, j = 0;
    // Only the latest star is ever revisited: what an earlier star swallowed can never need to
    // shrink, because the later star could absorb the difference. So no path is tried twice.
    qsizetype starPattern = -1, starName = 0;
    while (i < n) {
        if (j < m && pattern[j] == u'*') {
            starPattern = j++;
            starName = i;
        } else if (j < m
                   && (pattern[j] == u'?'
                       || upper[pattern[j].unicode()] == upper[name[i].unicode()])) {
            ++i;
            ++j;
        } else if (starPattern >= 0) {
            j = starPattern + 1;
            i = ++starName;
        } else {
            return false;
        }
    }
    while (j < m && pattern[j] == u'*')
        ++j;
    return j == m;
}

} // namespace filelib
