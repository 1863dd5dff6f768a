#include "mapi32/CSmtpMailTransaction.h"

#include "mapi32/CSmtpConnection.h"
#include "mapi32/CSmtpData.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

namespace {

using Reply = CSmtpConnection::Reply;
using Break = CSmtpConnection::Break;

// RFC 5321's "exceeded storage allocation"; for MAIL also RFC 1870's
// "message size exceeds fixed maximum".
constexpr int kExceededStorage = 552;
constexpr int kFirstPermanentReply = 500;
constexpr int kServiceClosing = 421;

// The reply class a step goes on with: 354 for DATA, 2xx for the others.
bool IsPositive(CorvaneStep eStep, int nCode) {
    return nCode / 100 == (eStep == CORVANE_STEP_DATA ? 3 : 2);
}

// A reply of another class (250 to DATA, 354 to anything else) belongs to
// some other command: the conversation is out of step.
bool CanAnswer(CorvaneStep eStep, int nCode) {
    return IsPositive(eStep, nCode) || nCode / 100 == 4 || nCode / 100 == 5;
}

// Any 4xx; and 552 to RCPT, the old "too many recipients", which RFC 5321
// says to take as 452.
bool IsTemporary(CorvaneStep eStep, int nCode) {
    return nCode < kFirstPermanentReply ||
           (eStep == CORVANE_STEP_RCPT && nCode == kExceededStorage);
}

// What a reply the server refused a mail with means (RFC 5321).
ULONG RefusalOf(CorvaneStep eStep, int nCode) {
    if (IsTemporary(eStep, nCode))
        return MapiResult::TemporaryFailure;
    switch (eStep) {
    case CORVANE_STEP_MAIL:
        return nCode == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::SenderRefused;
    case CORVANE_STEP_RCPT:
        return MapiResult::RecipientRefused;
    case CORVANE_STEP_DATA:
        return MapiResult::MessageRefused;
    default:
        return nCode == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::MessageRefused;
    }
}

// The outcome of the replies to commands of these steps, sent together:
// nothing when the mail goes on. A reply out of step decides before all
// else; then the first refusal, even where the connection broke after it (a
// 421, and the server closed); then a break before all replies came.
std::optional<CMailOutcome> Judge(CSmtpConnection& connection, std::span<const CorvaneStep> steps,
                                  const std::vector<Reply>& vecReplies) {
    size_t nReached = std::min(vecReplies.size(), steps.size() - 1);
    for (size_t i = vecReplies.size(); i-- > 0;) {
        if (!CanAnswer(steps[i], vecReplies[i].nCode)) {
            connection.Abandon(Break::OutOfStep);
            nReached = i;
        }
        if (vecReplies[i].nCode == kServiceClosing)
            connection.Abandon(Break::Closed);
    }
    if (connection.BrokenBy() == Break::OutOfStep)
        return connection.BreakOutcome(steps[nReached]);
    for (size_t i = 0; i < vecReplies.size(); ++i) {
        const CorvaneStep eStep = steps[i];
        const int nCode = vecReplies[i].nCode;
        if (!IsPositive(eStep, nCode))
            return CMailOutcome::Refusal(RefusalOf(eStep, nCode), eStep, vecReplies[i],
                                         IsTemporary(eStep, nCode));
    }
    if (vecReplies.size() < steps.size())
        return connection.BreakOutcome(steps[nReached]);
    return std::nullopt;
}

// The envelope: MAIL, RCPT and DATA, together where the server pipelines.
// The first refusal is the mail's; in a pipelined group the replies after
// it are still read, so that the next command's reply is its own.
class CEnvelope {
public:
    CEnvelope(const std::string& strSender, const std::string& strRecipient)
        : m_lines{"MAIL FROM:<" + strSender + ">\r\n", "RCPT TO:<" + strRecipient + ">\r\n",
                  "DATA\r\n"} {}

    // Nothing when the server waits for the data.
    std::optional<CMailOutcome> Exchange(CSmtpConnection& connection) {
        return connection.Pipelines() ? Pipelined(connection) : OneByOne(connection);
    }
    // The server took DATA with 354, though it refused the mail before.
    bool DataAccepted() const {
        return m_vecReplies.size() == kSteps.size() &&
               IsPositive(CORVANE_STEP_DATA, m_vecReplies.back().nCode);
    }

private:
    static constexpr std::array<CorvaneStep, 3> kSteps = {CORVANE_STEP_MAIL, CORVANE_STEP_RCPT,
                                                          CORVANE_STEP_DATA};

    std::optional<CMailOutcome> Pipelined(CSmtpConnection& connection) {
        m_vecReplies = connection.Exchange(m_lines[0] + m_lines[1] + m_lines[2], kSteps.size());
        return Judge(connection, kSteps, m_vecReplies);
    }

    std::optional<CMailOutcome> OneByOne(CSmtpConnection& connection) {
        for (size_t i = 0; i < kSteps.size(); ++i) {
            m_vecReplies = connection.Exchange(m_lines[i], 1);
            if (std::optional<CMailOutcome> outcome =
                    Judge(connection, std::span(kSteps).subspan(i, 1), m_vecReplies))
                return outcome;
        }
        return std::nullopt;
    }

    std::array<std::string, 3> m_lines;
    std::vector<Reply> m_vecReplies;
};

void EndRefusedMail(CSmtpConnection& connection, bool bDataAccepted) {
    if (bDataAccepted)
        connection.Abandon(Break::None);
    if (!connection.IsUsable())
        return;
    const std::vector<Reply> vecReplies = connection.Exchange("RSET\r\n", 1);
    if (!vecReplies.empty() && vecReplies.front().nCode / 100 != 2)
        connection.Abandon(Break::None);
}

CMailOutcome EndOfData(CSmtpConnection& connection, const std::string& strMessage) {
    static constexpr std::array<CorvaneStep, 1> kSteps = {CORVANE_STEP_END_OF_DATA};
    std::vector<Reply> vecReplies;
    if (std::optional<Reply> reply = connection.SendData(CSmtpData::Of(strMessage)))
        vecReplies.push_back(std::move(*reply));
    return Judge(connection, kSteps, vecReplies).value_or(CMailOutcome());
}

} // namespace

CMailOutcome CSmtpMailTransaction::Send(CSmtpConnection& connection, const std::string& strSender,
                                        const std::string& strRecipient,
                                        const std::string& strMessage) {
    CEnvelope envelope(strSender, strRecipient);
    if (std::optional<CMailOutcome> refusal = envelope.Exchange(connection)) {
        EndRefusedMail(connection, envelope.DataAccepted());
        return *refusal;
    }
    return EndOfData(connection, strMessage);
}
