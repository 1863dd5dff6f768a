#pragma once

#include "engine/send/CMailSender.h"
#include "engine/send/CMapiLibrary.h"

#include <QString>
#include <functional>
#include <mutex>

// The mail system libmapi32.so as a sender: for each mail it checks that mail
// is switched on ([MAIL] MAPI), finds and loads the library, looks up its
// functions, logs on, checks the attachments, sends, asks the Message-ID,
// logs off, and tells how that went as a value, with the library's own
// account of a failure (step, reply, temporary) where the library gives one.
// Nothing here shows anything; nothing throws.
//
// The library of a mail stays loaded until the next mail (or the sender's
// end), so that a single mail's messages can be shown while it is, as they
// always were; the next Send unloads it before loading it again.
class CMapiSender : public CMailSender {
public:
    // onMissingAttachment, when given, hears of each attachment left out at
    // the moment it is found: after the logon, before the send, on the
    // sending thread.
    explicit CMapiSender(std::function<void(const QString&)> onMissingAttachment = {});
    ~CMapiSender() override;
    CMapiSender(const CMapiSender&) = delete;
    CMapiSender& operator=(const CMapiSender&) = delete;

    // The mail to its address, which stands for the recipient's name too.
    CSendResult Send(const CMergedMail& mail) override { return SendTo(QString(), mail); }
    // The same with the recipient's name given; an empty one is the address.
    CSendResult SendTo(const QString& strName, const CMergedMail& mail);
    void Abort() override;

private:
    // Whether [MAIL] MAPI switches mail on.
    static bool IsMailOn();
    CSendResult SendLoaded(const QString& strName, const CMergedMail& mail);
    QStringList AttachableFiles(const QString& strAttachments, CSendResult& result) const;
    void Unload();
    // The result of a call that returned nCode, with what the library tells of it.
    CSendResult Failure(CSendResult::Stage stage, ULONG nCode) const;

    std::function<void(const QString&)> m_onMissingAttachment;
    // Guards the library's loading and unloading against an Abort from
    // another thread; never held during a call to the library.
    mutable std::mutex m_mutex;
    CMapiLibrary m_library;
};
