#pragma once

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
    // when all three are there. CorvaneSentMessageId and CorvaneSendHtmlMail
    // are looked up too, but may be missing (another provider, a test's).
    bool ResolveFunctions();
    void Unload();
    // The Message-ID of the last mail the session hSession sent; empty when
    // the library cannot tell.
    QString SentMessageId(LHANDLE hSession) const;

    LPMAPILOGON m_pfnLogon = nullptr;
    LPMAPILOGOFF m_pfnLogoff = nullptr;
    LPMAPISENDMAIL m_pfnSendMail = nullptr;
    LPCORVANESENTMESSAGEID m_pfnSentMessageId = nullptr;
    LPCORVANESENDHTMLMAIL m_pfnSendHtmlMail = nullptr;

private:
    // The folders the dynamic linker searches for the program's libraries,
    // less those it would take relative to the current directory.
    static QStringList LinkerFolders();
    void* m_hLibrary = nullptr;
};
