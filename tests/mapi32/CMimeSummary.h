#pragma once

#include <QJsonObject>
#include <QString>

// What Python's own MIME parser (mime_summary.py) reads from a message file:
// an independent check of what the mail library composed.
class CMimeSummary {
public:
    // An empty object when the parser failed.
    static QJsonObject Of(const QString& strMessagePath);
};
