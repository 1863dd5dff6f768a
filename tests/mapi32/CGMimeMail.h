#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

typedef struct _GMimeMessage GMimeMessage;
typedef struct _GMimeObject GMimeObject;

// A message read back with GMime's own parser: its MIME tree and the decoded
// content of its parts, for the tests of formatted mail.
class CGMimeMail {
public:
    explicit CGMimeMail(const QByteArray& message);
    ~CGMimeMail();
    CGMimeMail(const CGMimeMail&) = delete;
    CGMimeMail& operator=(const CGMimeMail&) = delete;

    bool IsValid() const { return m_pMessage != nullptr; }
    // The tree as types with their parts in brackets:
    // "multipart/alternative(text/plain,multipart/related(text/html,image/png))".
    QString Structure() const;
    // The text of the first part of the type ("text/html"), decoded to UTF-8
    // with LF line ends; empty when there is none.
    QString Text(const QString& strType) const;
    // The type parameter of the first multipart/related ("text/html").
    QString RelatedType() const;
    // The decoded content of each part with a Content-ID, by its Content-ID.
    QMap<QString, QByteArray> ContentIds() const;
    // The Content-Disposition of the part with that Content-ID ("inline").
    QString Disposition(const QString& strContentId) const;
    QString Subject() const;

private:
    GMimeMessage* m_pMessage = nullptr;
};
