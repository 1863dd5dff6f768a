#pragma once

#include "engine/send/CMailSender.h"
#include "engine/send/CMapiLibrary.h"

#include <QString>
#include <functional>
#include <memory>
#include <mutex>

class CMapiMessage;
class CMarkdownRenderer;
struct CHtmlMail;

// The mail system libmapi32.so as a sender: for each mail it checks that mail
// is switched on ([MAIL] MAPI), finds and loads the library, looks up its
// functions, logs on, checks the attachments, sends, asks the Message-ID,
// logs off, and tells how that went as a value, with the library's own
// account of a failure (step, reply, temporary) where the library gives one.
// A Markdown template's mail goes formatted, with its text as the plain
// part; its images are taken from the current folder, as the attachments
// are, and one that cannot go is left out and told among the result's
// warnings. Nothing here shows anything; nothing throws.
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

    // The mail to its address, which stands for the recipient's name too;
    // a Markdown template's mail rendered and sent formatted.
    CSendResult Send(const CMergedMail& mail) override;
    // The mail as text, with the recipient's name given (an empty one is the
    // address); with pHtml, formatted, the text being its plain part. A
    // library that cannot send formatted mail fails such a mail as one that
    // does not support it, rather than send it as text.
    CSendResult SendTo(const QString& strName, const CMergedMail& mail,
                       const CHtmlMail* pHtml = nullptr);
    void Abort() override;

private:
    // Whether [MAIL] MAPI switches mail on.
    static bool IsMailOn();
    CSendResult SendLoaded(const QString& strName, const CMergedMail& mail, const CHtmlMail* pHtml);
    ULONG Deliver(LHANDLE hSession, CMapiMessage& message, const CHtmlMail* pHtml) const;
    QStringList AttachableFiles(const QString& strAttachments, CSendResult& result) const;
    void Unload();
    // The result of a call that returned nCode, with what the library tells of it.
    CSendResult Failure(CSendResult::Stage stage, ULONG nCode) const;

    std::function<void(const QString&)> m_onMissingAttachment;
    // Guards the library's loading and unloading against an Abort from
    // another thread; never held during a call to the library.
    mutable std::mutex m_mutex;
    CMapiLibrary m_library;
    // Made at the first formatted mail; it renders each template once for
    // all the run's rows.
    std::unique_ptr<CMarkdownRenderer> m_pRenderer;
};
