#pragma once

#include "platform/mapi/CorvaneLastResult.h"
#include "platform/mapi/CorvaneSentMessageId.h"
#include "platform/mapi/SimpleMapi.h"

#include <QString>

// libmapi32.so loaded with dlopen from its build path, as the program loads
// it for each mail; dlclose when this object goes.
class CTestMailLibrary {
public:
    explicit CTestMailLibrary(const QString& strPath = Path());
    ~CTestMailLibrary();
    CTestMailLibrary(const CTestMailLibrary&) = delete;
    CTestMailLibrary& operator=(const CTestMailLibrary&) = delete;

    // True when the library loaded and has all three functions.
    bool IsUsable() const { return m_pfnLogon && m_pfnSendMail && m_pfnLogoff; }
    QString ErrorText() const { return m_strError; }
    static QString Path();

    // The program's whole round for one mail: logon, send, logoff (also
    // after a failed send). The first code that is not SUCCESS_SUCCESS;
    // pResult, where given, gets how the logon or send that decided it ended.
    ULONG SendOne(MapiMessage* pMessage, FLAGS flFlags = 0, CorvaneResult* pResult = nullptr);
    // How this thread's last call ended.
    CorvaneResult LastResult() const;

    LPMAPILOGON m_pfnLogon = nullptr;
    LPMAPISENDMAIL m_pfnSendMail = nullptr;
    LPMAPILOGOFF m_pfnLogoff = nullptr;
    LPCORVANESENTMESSAGEID m_pfnSentMessageId = nullptr;
    LPCORVANELASTRESULT m_pfnLastResult = nullptr;
    LPCORVANEABORTSEND m_pfnAbortSend = nullptr;

private:
    void* m_hLibrary = nullptr;
    QString m_strError;
};
