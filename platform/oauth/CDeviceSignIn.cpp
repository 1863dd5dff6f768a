#include "platform/oauth/CDeviceSignIn.h"

namespace {

// RFC 8628 section 3.5: wait 5 seconds between polls unless told otherwise,
// and 5 more after each slow_down. No code is kept waited for longer than
// half an hour, whatever the provider says.
constexpr qint64 kDefaultIntervalSeconds = 5;
constexpr qint64 kMaxIntervalSeconds = 60;
constexpr std::chrono::seconds kSlowDownStep{5};
constexpr qint64 kDefaultExpirySeconds = 15 * 60;
constexpr qint64 kMaxExpirySeconds = 30 * 60;

} // namespace

CDeviceSignIn::CDeviceSignIn(COAuthSettings settings, QObject* pParent)
    : CSignIn(std::move(settings), pParent) {
    m_poll.setSingleShot(true);
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, &CDeviceSignIn::Poll);
}

void CDeviceSignIn::Start() {
    if (const auto eProblem = m_settings.CheckDeviceSignIn();
        eProblem != COAuthSettings::Problem::None) {
        Fail(COAuthSettings::ProblemText(eProblem));
        return;
    }
    COAuthClient::Form form{{QStringLiteral("client_id"), m_settings.m_strClientId},
                            {QStringLiteral("scope"), m_settings.m_strScope}};
    if (!m_settings.m_strClientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), m_settings.m_strClientSecret});
    Post(m_settings.m_strDeviceUrl, form,
         [this](const COAuthReply& reply) { OnDeviceReply(reply); });
}

// Google names the page verification_url, RFC 8628 verification_uri.
void CDeviceSignIn::OnDeviceReply(const COAuthReply& reply) {
    if (!reply.IsSuccess()) {
        Fail(ReplyProblem(reply));
        return;
    }
    m_strDeviceCode = reply.Text(QLatin1String("device_code"));
    const QString strUserCode = reply.Text(QLatin1String("user_code"));
    QString strAddress = reply.Text(QLatin1String("verification_uri"));
    if (strAddress.isEmpty())
        strAddress = reply.Text(QLatin1String("verification_url"));
    if (m_strDeviceCode.isEmpty() || strUserCode.isEmpty() || strAddress.isEmpty()) {
        Fail(QStringLiteral("The sign-in server's answer has no code to enter."));
        return;
    }
    m_interval = std::chrono::seconds(reply.Number(QLatin1String("interval"),
                                                   kDefaultIntervalSeconds, 1,
                                                   kMaxIntervalSeconds));
    m_codeExpiry.setRemainingTime(std::chrono::seconds(reply.Number(
        QLatin1String("expires_in"), kDefaultExpirySeconds, 1, kMaxExpirySeconds)));
    Q_EMIT codeReady(strUserCode, strAddress);
    PollLater();
}

void CDeviceSignIn::PollLater() {
    if (m_codeExpiry.hasExpired()) {
        Fail(QStringLiteral("The code expired before the sign-in was completed; start again."));
        return;
    }
    m_poll.start(m_interval);
}

void CDeviceSignIn::Poll() {
    RequestTokens({{QStringLiteral("grant_type"),
                    QStringLiteral("urn:ietf:params:oauth:grant-type:device_code")},
                   {QStringLiteral("device_code"), m_strDeviceCode}});
}

// A server that is down for a moment is asked again at the next turn, like
// one that says the user has not answered yet.
void CDeviceSignIn::OnTokenReply(const COAuthReply& reply) {
    const QString strError = reply.Error();
    if (strError == u"slow_down")
        m_interval += kSlowDownStep;
    if (strError == u"authorization_pending" || strError == u"slow_down" || reply.IsTemporary())
        PollLater();
    else
        CSignIn::OnTokenReply(reply);
}
