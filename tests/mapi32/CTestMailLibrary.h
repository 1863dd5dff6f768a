#pragma once

#include "engine/send/CMapiLibrary.h"

#include <QString>
#include <functional>

// libmapi32.so loaded from its build path by the program's own loader, with
// the rounds a test makes of it.
class CTestMailLibrary : public CMapiLibrary {
public:
    explicit CTestMailLibrary(const QString& strPath = Path());

    // True when the library loaded and has all three functions.
    bool IsUsable() const { return m_pfnLogon && m_pfnSendMail && m_pfnLogoff; }
    QString ErrorText() const { return m_strError; }
    static QString Path();

    // The program's whole round for one mail: logon, send, logoff (also
    // after a failed send). The first code that is not SUCCESS_SUCCESS;
    // pResult, where given, gets how the logon or send that decided it ended.
    ULONG SendOne(MapiMessage* pMessage, FLAGS flFlags = 0, CorvaneResult* pResult = nullptr);
    // The same round with CorvaneSendHtmlMail in place of MAPISendMail.
    ULONG SendOneHtml(MapiMessage* pMessage, CorvaneHtmlBody* pHtml,
                      CorvaneResult* pResult = nullptr);
    // How this thread's last call ended.
    CorvaneResult LastResult() const;

private:
    ULONG Round(const std::function<ULONG(LHANDLE)>& send, CorvaneResult* pResult);

    QString m_strError;
};
