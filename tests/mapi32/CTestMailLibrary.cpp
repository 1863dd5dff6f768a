#include "CTestMailLibrary.h"

#include <QFile>
#include <dlfcn.h>

CTestMailLibrary::CTestMailLibrary(const QString& strPath) {
    if (!Load(strPath))
        m_strError = QString::fromLocal8Bit(dlerror());
    else
        ResolveFunctions();
}

QString CTestMailLibrary::Path() {
    return QStringLiteral(MAPI32_LIBRARY_PATH);
}

ULONG CTestMailLibrary::SendOne(MapiMessage* pMessage, FLAGS flFlags, CorvaneResult* pResult) {
    return Round([&](LHANDLE hSession) { return m_pfnSendMail(hSession, 0, pMessage, flFlags, 0); },
                 pResult);
}

ULONG CTestMailLibrary::SendOneHtml(MapiMessage* pMessage, CorvaneHtmlBody* pHtml,
                                    CorvaneResult* pResult) {
    if (!m_pfnSendHtmlMail)
        return MAPI_E_NOT_SUPPORTED;
    return Round(
        [&](LHANDLE hSession) { return m_pfnSendHtmlMail(hSession, 0, pMessage, pHtml, 0, 0); },
        pResult);
}

ULONG CTestMailLibrary::Round(const std::function<ULONG(LHANDLE)>& send, CorvaneResult* pResult) {
    LHANDLE hSession = 0;
    const ULONG nLogon = m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession);
    if (pResult)
        *pResult = LastResult();
    if (nLogon != SUCCESS_SUCCESS)
        return nLogon;
    const ULONG nSend = send(hSession);
    if (pResult)
        *pResult = LastResult();
    const ULONG nLogoff = m_pfnLogoff(hSession, 0, 0, 0);
    return nSend != SUCCESS_SUCCESS ? nSend : nLogoff;
}

CorvaneResult CTestMailLibrary::LastResult() const {
    CorvaneResult result{};
    if (!m_pfnLastResult || m_pfnLastResult(&result) != SUCCESS_SUCCESS)
        result.ulResult = MAPI_E_FAILURE;
    return result;
}
