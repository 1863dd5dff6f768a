#include "platform/oauth/COAuthReply.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <algorithm>

COAuthReply COAuthReply::Of(int nHttpStatus, const QByteArray& body) {
    COAuthReply reply;
    reply.m_nHttpStatus = nHttpStatus;
    if (nHttpStatus == 0)
        return reply;
    const QJsonDocument document =
        body.size() <= kMaxBytes ? QJsonDocument::fromJson(body) : QJsonDocument();
    reply.m_bGarbled = !document.isObject();
    reply.m_object = document.object();
    return reply;
}

bool COAuthReply::IsTemporary() const {
    return IsUnreachable() || m_bGarbled || m_nHttpStatus >= 500 || m_nHttpStatus == 429;
}

bool COAuthReply::IsSuccess() const {
    return !m_bGarbled && m_nHttpStatus >= 200 && m_nHttpStatus < 300 &&
           !m_object.contains(QLatin1String("error"));
}

QString COAuthReply::Error() const {
    const QString strError = Text(QLatin1String("error"));
    if (strError.isEmpty() && !IsSuccess())
        return QStringLiteral("HTTP %1").arg(m_nHttpStatus);
    return PlainCode(strError);
}

QString COAuthReply::PlainCode(const QString& strCode) {
    static const QRegularExpression rePlainCode(QStringLiteral("^[A-Za-z0-9_.:-]{1,64}$"));
    return strCode.isEmpty() || rePlainCode.match(strCode).hasMatch()
               ? strCode
               : QStringLiteral("invalid error code");
}

QString COAuthReply::Text(QLatin1String key) const {
    return m_object.value(key).toString();
}

qint64 COAuthReply::Number(QLatin1String key, qint64 nDefault, qint64 nMin, qint64 nMax) const {
    const QJsonValue value = m_object.value(key);
    // Some providers send their numbers as texts ("3599").
    bool bNumber = value.isDouble();
    qint64 nValue = bNumber ? value.toInteger() : value.toString().toLongLong(&bNumber);
    return bNumber ? std::clamp(nValue, nMin, nMax) : nDefault;
}
