#include "CTestMailLibrary.h"

#include <QFile>
#include <dlfcn.h>

CTestMailLibrary::CTestMailLibrary(const QString& strPath)
    : m_hLibrary(dlopen(QFile::encodeName(strPath).constData(), RTLD_NOW | RTLD_LOCAL)) {
    if (!m_hLibrary) {
        m_strError = QString::fromLocal8Bit(dlerror());
        return;
    }
    m_pfnLogon = reinterpret_cast<LPMAPILOGON>(dlsym(m_hLibrary, "MAPILogon"));
    m_pfnSendMail = reinterpret_cast<LPMAPISENDMAIL>(dlsym(m_hLibrary, "MAPISendMail"));
    m_pfnLogoff = reinterpret_cast<LPMAPILOGOFF>(dlsym(m_hLibrary, "MAPILogoff"));
    m_pfnSentMessageId =
        reinterpret_cast<LPCORVANESENTMESSAGEID>(dlsym(m_hLibrary, "CorvaneSentMessageId"));
    m_pfnLastResult = reinterpret_cast<LPCORVANELASTRESULT>(dlsym(m_hLibrary, "CorvaneLastResult"));
    m_pfnAbortSend = reinterpret_cast<LPCORVANEABORTSEND>(dlsym(m_hLibrary, "CorvaneAbortSend"));
}

CTestMailLibrary::~CTestMailLibrary() {
    if (m_hLibrary)
        dlclose(m_hLibrary);
}

QString CTestMailLibrary::Path() {
    return QStringLiteral(MAPI32_LIBRARY_PATH);
}

ULONG CTestMailLibrary::SendOne(MapiMessage* pMessage, FLAGS flFlags, CorvaneResult* pResult) {
    LHANDLE hSession = 0;
    const ULONG nLogon = m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession);
    if (pResult)
        *pResult = LastResult();
    if (nLogon != SUCCESS_SUCCESS)
        return nLogon;
    const ULONG nSend = m_pfnSendMail(hSession, 0, pMessage, flFlags, 0);
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
