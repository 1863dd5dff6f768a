#pragma once

#include "mapi32/CMailTransport.h"

// Delivery into a folder: each mail becomes one .eml file that some other
// program sends on. A file appears whole or not at all, and never replaces
// another one.
class COutboxTransport : public CMailTransport {
public:
    explicit COutboxTransport(std::string strFolder);

    CMailOutcome Logon() override;
    CMailOutcome Deliver(const std::string& strSender, const std::string& strRecipient,
                         const std::string& strMessage) override;

private:
    int PublishUnderNewName(const std::string& strTemporary);
    CMailOutcome FailureOf(int nErrno) const;

    std::string m_strFolder;
};
