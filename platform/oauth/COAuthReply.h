#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// What an OAuth 2.0 endpoint answered: the HTTP status and the JSON object of
// its body (RFC 6749 section 5, RFC 8628 section 3.2), or that no answer
// came. A body over kMaxBytes, or one that is no JSON object, counts as
// garbled, like a captive portal's page.
class COAuthReply {
public:
    static constexpr qsizetype kMaxBytes = 64 * 1024;

    // nHttpStatus 0: the endpoint could not be reached, or stopped answering.
    static COAuthReply Of(int nHttpStatus, const QByteArray& body);

    bool IsUnreachable() const { return m_nHttpStatus == 0; }
    // A reply the client may try again later: no answer, a server error, a
    // request rate exceeded, or a body that is no answer of an endpoint.
    bool IsTemporary() const;
    // A 2xx reply without an error code.
    bool IsSuccess() const;
    // The error code (invalid_grant, authorization_pending, ...), empty when
    // there is none. Only a plain code is passed on: the texts beside it may
    // repeat what the request sent, tokens too.
    QString Error() const;
    // A text member; empty when missing or not a text.
    QString Text(QLatin1String key) const;
    // A number member in [nMin, nMax]; nDefault when missing or not a number.
    qint64 Number(QLatin1String key, qint64 nDefault, qint64 nMin, qint64 nMax) const;
    int HttpStatus() const { return m_nHttpStatus; }
    // An error code as RFC 6749 spells them; any other text, which may come
    // from anywhere, gives "invalid error code", and the empty text stays.
    static QString PlainCode(const QString& strCode);

private:
    int m_nHttpStatus = 0;
    bool m_bGarbled = false;
    QJsonObject m_object;
};
