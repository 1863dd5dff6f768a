#include "mapi32/CSmtpMailTransaction.h"

#include "mapi32/CSmtpConnection.h"
#include "mapi32/CSmtpData.h"
#include "mapi32/MapiResult.h"

#include <array>
#include <optional>

namespace {

enum class Step { Mail, Recipient, Data, EndOfData };

struct Command {
    Step eStep;
    std::string strLine;
};

// RFC 5321's "exceeded storage allocation"; for MAIL also RFC 1870's
// "message size exceeds fixed maximum".
constexpr int kExceededStorage = 552;
constexpr int kFirstPermanentReply = 500;

// The reply class a step goes on with: 354 for DATA, 2xx for the others.
bool IsPositive(Step eStep, int nCode) {
    return nCode / 100 == (eStep == Step::Data ? 3 : 2);
}

// What a reply the server refused a mail with means (RFC 5321).
ULONG RefusalOf(Step eStep, int nCode) {
    if (nCode < kFirstPermanentReply)
        return MapiResult::TemporaryFailure;
    switch (eStep) {
    case Step::Mail:
        return nCode == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::SenderRefused;
    case Step::Recipient:
        // The old "too many recipients", which RFC 5321 says to take as 452.
        return nCode == kExceededStorage ? MapiResult::TemporaryFailure
                                         : MapiResult::RecipientRefused;
    case Step::Data:
        return MapiResult::MessageRefused;
    case Step::EndOfData:
        break;
    }
    return nCode == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::MessageRefused;
}

// The envelope's replies, read as they come. The first refusal is the
// mail's; the replies after it are still read, so that the next command's
// reply is its own.
class CEnvelope {
public:
    CEnvelope(const std::string& strSender, const std::string& strRecipient)
        : m_commands{{{Step::Mail, "MAIL FROM:<" + strSender + ">\r\n"},
                      {Step::Recipient, "RCPT TO:<" + strRecipient + ">\r\n"},
                      {Step::Data, "DATA\r\n"}}} {}

    // False when the connection broke.
    bool Exchange(CSmtpConnection& connection) {
        return connection.Pipelines() ? Pipelined(connection) : OneByOne(connection);
    }
    const std::optional<ULONG>& Refusal() const { return m_refusal; }
    bool DataAccepted() const { return m_bDataAccepted; }

private:
    bool Pipelined(CSmtpConnection& connection) {
        std::string strAll;
        for (const Command& command : m_commands)
            strAll += command.strLine;
        if (!connection.Write(strAll))
            return false;
        for (const Command& command : m_commands) {
            if (!Note(command.eStep, connection.ReadReply()))
                return false;
        }
        return true;
    }

    bool OneByOne(CSmtpConnection& connection) {
        for (const Command& command : m_commands) {
            if (!connection.Write(command.strLine) ||
                !Note(command.eStep, connection.ReadReply()))
                return false;
            if (m_refusal)
                break;
        }
        return true;
    }

    bool Note(Step eStep, const std::optional<CSmtpConnection::Reply>& reply) {
        if (!reply)
            return false;
        const bool bPositive = IsPositive(eStep, reply->nCode);
        if (eStep == Step::Data)
            m_bDataAccepted = bPositive;
        if (!bPositive && !m_refusal)
            m_refusal = RefusalOf(eStep, reply->nCode);
        return true;
    }

    std::array<Command, 3> m_commands;
    std::optional<ULONG> m_refusal;
    bool m_bDataAccepted = false;
};

void EndRefusedMail(CSmtpConnection& connection, bool bDataAccepted) {
    if (bDataAccepted) {
        connection.Abandon();
        return;
    }
    if (!connection.Write("RSET\r\n"))
        return;
    const std::optional<CSmtpConnection::Reply> reply = connection.ReadReply();
    if (reply && reply->nCode / 100 != 2)
        connection.Abandon();
}

} // namespace

ULONG CSmtpMailTransaction::Send(CSmtpConnection& connection, const std::string& strSender,
                                 const std::string& strRecipient, const std::string& strMessage) {
    CEnvelope envelope(strSender, strRecipient);
    if (!envelope.Exchange(connection))
        return connection.BreakResult();
    if (envelope.Refusal()) {
        EndRefusedMail(connection, envelope.DataAccepted());
        return *envelope.Refusal();
    }
    if (!connection.Write(CSmtpData::Of(strMessage)))
        return connection.BreakResult();
    const std::optional<CSmtpConnection::Reply> reply = connection.ReadReply();
    if (!reply)
        return connection.BreakResult();
    return IsPositive(Step::EndOfData, reply->nCode) ? SUCCESS_SUCCESS
                                                     : RefusalOf(Step::EndOfData, reply->nCode);
}
