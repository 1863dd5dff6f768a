#include "mapi32/CAccessToken.h"

#include "mapi32/CMailSettings.h"
#include "mapi32/CTokenEndpoint.h"
#include "mapi32/MapiResult.h"
#include "platform/oauth/CTokenStore.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// A token endpoint that names no lifetime gives an hour, as most do; none is
// trusted for more than a day.
constexpr qint64 kDefaultLifetimeSeconds = 3600;
constexpr qint64 kMaxLifetimeSeconds = 24 * 3600;
// A token is renewed when a minute of its life is left, or a quarter of a
// short one, so that a login never presents one that runs out on the way.
constexpr seconds kRenewalMargin{60};

// The token kept, with what it was got for. A provider may hand out a new
// refresh token with the access token; a session that read the one before
// from the store still finds the token kept.
struct Kept {
    std::string strTokenUrl;
    std::string strClientId;
    std::string strRefreshUsed;
    std::string strRefreshIssued; // the one to renew with next
    std::string strAccessToken;
    Clock::time_point tRenewBy;

    bool Fits(const COAuthSettings& oauth, const std::string& strRefresh) const;
};

// Held while a token is looked at or renewed, so that two threads never
// renew at once (a provider that hands out a new refresh token with each
// renewal takes the old one back).
std::mutex g_mutex;

Kept& TheKept() {
    static Kept kept;
    return kept;
}

Clock::time_point RenewBy(qint64 nLifetimeSeconds) {
    const milliseconds lifetime = seconds(nLifetimeSeconds);
    return Clock::now() + lifetime - std::min<milliseconds>(kRenewalMargin, lifetime / 4);
}

CAccessToken::Outcome Failure(ULONG nResult, std::string strText, bool bTemporary = false) {
    CAccessToken::Outcome outcome;
    outcome.outcome =
        CMailOutcome::Failure(nResult, CORVANE_STEP_TOKEN, std::move(strText), bTemporary);
    return outcome;
}

// Why a token endpoint's reply brought no access token, for the user: its
// error code, never what else it said (it may repeat the request's tokens).
CAccessToken::Outcome FailureOf(const COAuthReply& reply) {
    if (reply.IsUnreachable())
        return Failure(MapiResult::TokenEndpointDown, "the sign-in server cannot be reached", true);
    if (reply.IsSuccess())
        return Failure(MapiResult::TokenEndpointDown, "the sign-in server gave no access token",
                       true);
    const std::string strError = " (" + reply.Error().toStdString() + ")";
    if (reply.IsTemporary())
        return Failure(MapiResult::TokenEndpointDown, "the sign-in server failed" + strError, true);
    return Failure(MapiResult::SignInRefused,
                   "the sign-in was refused" + strError + ": sign in again in Mail Settings");
}

std::string Utf8(const QString& strText) {
    return strText.toStdString();
}

bool Kept::Fits(const COAuthSettings& oauth, const std::string& strRefresh) const {
    return strTokenUrl == Utf8(oauth.m_strTokenUrl) && strClientId == Utf8(oauth.m_strClientId) &&
           (strRefresh == strRefreshUsed || strRefresh == strRefreshIssued);
}

CAccessToken::Outcome Renew(const COAuthSettings& oauth, const std::string& strRefresh,
                            CTokenStore::Place ePlace) {
    CTokenEndpoint::Form form{{"grant_type", "refresh_token"},
                              {"refresh_token", strRefresh},
                              {"client_id", Utf8(oauth.m_strClientId)},
                              {"scope", Utf8(oauth.m_strScope)}};
    if (!oauth.m_strClientSecret.isEmpty())
        form.emplace_back("client_secret", Utf8(oauth.m_strClientSecret));
    const std::optional<COAuthReply> reply = CTokenEndpoint::Post(Utf8(oauth.m_strTokenUrl), form);
    if (!reply)
        return Failure(MapiResult::Aborted, "sending stopped");
    const QString strAccessToken = reply->Text(QLatin1String("access_token"));
    if (!reply->IsSuccess() || strAccessToken.isEmpty())
        return FailureOf(*reply);

    std::string strIssued = Utf8(reply->Text(QLatin1String("refresh_token")));
    if (strIssued.empty())
        strIssued = strRefresh;
    else if (strIssued != strRefresh)
        CTokenStore::Replace(ePlace, oauth.m_strProvider, oauth.m_strUser,
                             QString::fromStdString(strIssued));
    TheKept() = {Utf8(oauth.m_strTokenUrl), Utf8(oauth.m_strClientId), strRefresh, strIssued,
                 Utf8(strAccessToken),
                 RenewBy(reply->Number(QLatin1String("expires_in"), kDefaultLifetimeSeconds, 1,
                                       kMaxLifetimeSeconds))};
    return {CMailOutcome(), TheKept().strAccessToken, true};
}

} // namespace

CAccessToken::Outcome CAccessToken::Get(const CMailSettings& settings) {
    const COAuthSettings& oauth = settings.m_oauth;
    std::string strRefresh = Utf8(settings.m_refreshToken.strToken);
    const std::lock_guard lock(g_mutex);
    const Kept& kept = TheKept();
    if (kept.Fits(oauth, strRefresh)) {
        if (!kept.strAccessToken.empty() && Clock::now() < kept.tRenewBy)
            return {CMailOutcome(), kept.strAccessToken, false};
        strRefresh = kept.strRefreshIssued;
    }
    return Renew(oauth, strRefresh, settings.m_refreshToken.ePlace);
}

void CAccessToken::Forget() {
    const std::lock_guard lock(g_mutex);
    TheKept().strAccessToken.clear();
}
