#pragma once

#include "engine/send/CSendResult.h"
#include "platform/mapi/CorvaneLastResult.h"
#include "platform/mapi/CorvaneSendHtmlMail.h"
#include "platform/mapi/CorvaneSentMessageId.h"
#include "platform/mapi/SimpleMapi.h"

#include <QString>
#include <QStringList>

// The mail library libmapi32.so, loaded for one mail and unloaded again with
// this object (or earlier, by Unload).
class CMapiLibrary {
public:
    CMapiLibrary() = default;
    ~CMapiLibrary();
    CMapiLibrary(const CMapiLibrary&) = delete;
    CMapiLibrary& operator=(const CMapiLibrary&) = delete;

    // The path of the library, or an empty text when it is nowhere. Looked for
    // in this order: the file that CORVANE_MAPI_LIBRARY names, beside the
    // executable, in the private library folder of an installed copy
    // (<prefix>/lib/corvane), in the dynamic linker's directories. Never in
    // the current directory: that is the user's template folder, and a library
    // someone dropped there must not run.
    static QString Find();

    bool Load(const QString& strPath);
    // Looks up MAPILogon, MAPILogoff and MAPISendMail, in that order; true
    // when all three are there. CorvaneSentMessageId, CorvaneLastResult,
    // CorvaneAbortSend and CorvaneSendHtmlMail are looked up too, but may be
    // missing (another provider, a test's, an older library).
    bool ResolveFunctions();
    void Unload();
    // The Message-ID of the last mail the session hSession sent; empty when
    // the library cannot tell.
    QString SentMessageId(LHANDLE hSession) const;
    // Adds to result, whose stage and code are those of the last call this
    // thread made, what the library tells of that call: its step, the
    // server's reply and whether it was temporary. A library that cannot tell
    // leaves the code alone to say it: only a network failure (23) is taken
    // as temporary.
    void DescribeLastCall(CSendResult& result) const;
    // Makes every call of the library that waits on a server return at once;
    // nothing when the library cannot.
    void AbortCalls() const;

    LPMAPILOGON m_pfnLogon = nullptr;
    LPMAPILOGOFF m_pfnLogoff = nullptr;
    LPMAPISENDMAIL m_pfnSendMail = nullptr;
    LPCORVANESENTMESSAGEID m_pfnSentMessageId = nullptr;
    LPCORVANELASTRESULT m_pfnLastResult = nullptr;
    LPCORVANEABORTSEND m_pfnAbortSend = nullptr;
    LPCORVANESENDHTMLMAIL m_pfnSendHtmlMail = nullptr;

private:
    // The folders the dynamic linker searches for the program's libraries,
    // less those it would take relative to the current directory.
    static QStringList LinkerFolders();
    void* m_hLibrary = nullptr;
};
