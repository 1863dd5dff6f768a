#pragma once

#include "platform/oauth/CSignIn.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <chrono>

// The sign-in with a code (RFC 8628), for a machine where no browser opens:
// the provider hands out a short code, the user enters it on the provider's
// page in any browser, on any device, and the sign-in asks the provider at
// the pace it sets until the user has agreed, refused, or the code expired.
class CDeviceSignIn : public CSignIn {
    Q_OBJECT

public:
    explicit CDeviceSignIn(COAuthSettings settings, QObject* pParent = nullptr);

    void Start() override;

Q_SIGNALS:
    // The user opens strAddress and enters strUserCode there.
    void codeReady(const QString& strUserCode, const QString& strAddress);

protected:
    void OnTokenReply(const COAuthReply& reply) override;

private:
    void OnDeviceReply(const COAuthReply& reply);
    void PollLater();
    void Poll();

    QString m_strDeviceCode;
    std::chrono::seconds m_interval{5};
    QDeadlineTimer m_codeExpiry;
    QTimer m_poll;
};
