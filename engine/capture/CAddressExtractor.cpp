#include "engine/capture/CAddressExtractor.h"

#include "engine/text/TrimWhiteSpace.h"

#include <array>

QString CAddressExtractor::Extract(const QString& strText) {
    const QString strTrimmed = TrimWhiteSpace(strText);
    if (!strTrimmed.contains(u'@'))
        return QString();
    // The first marker in this order wins, wherever the others stand; the
    // address runs from the marker to the end of the text.
    static const std::array<QString, 3> arrMarkers = {
        QStringLiteral("email="), QStringLiteral("Mailto:"), QStringLiteral("mailto:")};
    for (const QString& strMarker : arrMarkers) {
        const qsizetype nPos = strTrimmed.indexOf(strMarker);
        if (nPos >= 0)
            return strTrimmed.sliced(nPos + strMarker.size());
    }
    return strTrimmed;
}
