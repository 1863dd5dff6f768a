#include "engine/send/CMapiLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstddef>
#include <dlfcn.h>
#include <link.h>
#include <memory>
#include <vector>

namespace {

const QString kLibraryName = QStringLiteral("libmapi32.so");

// A header line holds at most 998 characters (RFC 5322), so does the value.
constexpr ULONG kMessageIdBufferSize = 1000;

// The library's steps are the result's, in the same order.
static_assert(int(CSendResult::Step::Rcpt) == CORVANE_STEP_RCPT &&
              int(CSendResult::Step::Message) == CORVANE_STEP_MESSAGE);

bool IsLibraryFile(const QString& strPath) {
    return QDir::isAbsolutePath(strPath) && QFileInfo(strPath).isFile();
}

} // namespace

CMapiLibrary::~CMapiLibrary() {
    Unload();
}

QString CMapiLibrary::Find() {
    // A relative name in the variable would be taken from the current
    // directory, so only an absolute one counts.
    const QString strNamed = qEnvironmentVariable("CORVANE_MAPI_LIBRARY");
    if (IsLibraryFile(strNamed))
        return strNamed;
    const QString strProgramFolder = QCoreApplication::applicationDirPath();
    QStringList arrFolders = {strProgramFolder,
                              QDir::cleanPath(strProgramFolder + u"/../lib/corvane")};
    arrFolders += LinkerFolders();
    for (const QString& strFolder : std::as_const(arrFolders)) {
        const QString strPath = QDir(strFolder).filePath(kLibraryName);
        if (IsLibraryFile(strPath))
            return strPath;
    }
    return QString();
}

QStringList CMapiLibrary::LinkerFolders() {
    // The linker's own list for the program: LD_LIBRARY_PATH, the program's
    // run path and the system's default library folders (folders named only
    // in ld.so.conf are not on it). An empty or relative entry of
    // LD_LIBRARY_PATH stands for the current directory and is left out; that
    // is also why the library is never loaded by its bare name.
    const std::unique_ptr<void, int (*)(void*)> program(dlopen(nullptr, RTLD_LAZY), dlclose);
    Dl_serinfo size;
    if (!program || dlinfo(program.get(), RTLD_DI_SERINFOSIZE, &size) != 0)
        return {};
    std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
    auto* pInfo = reinterpret_cast<Dl_serinfo*>(storage.data());
    *pInfo = size;
    if (dlinfo(program.get(), RTLD_DI_SERINFO, pInfo) != 0)
        return {};
    QStringList arrFolders;
    for (unsigned i = 0; i < pInfo->dls_cnt; ++i) {
        const QString strFolder = QFile::decodeName(pInfo->dls_serpath[i].dls_name);
        if (QDir::isAbsolutePath(strFolder))
            arrFolders += strFolder;
    }
    return arrFolders;
}

bool CMapiLibrary::Load(const QString& strPath) {
    Unload();
    m_hLibrary = dlopen(QFile::encodeName(strPath).constData(), RTLD_NOW | RTLD_LOCAL);
    return m_hLibrary != nullptr;
}

bool CMapiLibrary::ResolveFunctions() {
    if (!m_hLibrary)
        return false;
    m_pfnLogon = reinterpret_cast<LPMAPILOGON>(dlsym(m_hLibrary, "MAPILogon"));
    m_pfnLogoff = reinterpret_cast<LPMAPILOGOFF>(dlsym(m_hLibrary, "MAPILogoff"));
    m_pfnSendMail = reinterpret_cast<LPMAPISENDMAIL>(dlsym(m_hLibrary, "MAPISendMail"));
    m_pfnSentMessageId =
        reinterpret_cast<LPCORVANESENTMESSAGEID>(dlsym(m_hLibrary, "CorvaneSentMessageId"));
    m_pfnLastResult = reinterpret_cast<LPCORVANELASTRESULT>(dlsym(m_hLibrary, "CorvaneLastResult"));
    m_pfnAbortSend = reinterpret_cast<LPCORVANEABORTSEND>(dlsym(m_hLibrary, "CorvaneAbortSend"));
    m_pfnSendHtmlMail =
        reinterpret_cast<LPCORVANESENDHTMLMAIL>(dlsym(m_hLibrary, "CorvaneSendHtmlMail"));
    return m_pfnLogon && m_pfnLogoff && m_pfnSendMail;
}

QString CMapiLibrary::SentMessageId(LHANDLE hSession) const {
    char szMessageId[kMessageIdBufferSize] = {};
    if (!m_pfnSentMessageId ||
        m_pfnSentMessageId(hSession, szMessageId, sizeof szMessageId) != SUCCESS_SUCCESS)
        return QString();
    // A library that forgot the zero byte gives no more than its buffer.
    return QString::fromUtf8(szMessageId, qstrnlen(szMessageId, sizeof szMessageId));
}

void CMapiLibrary::Unload() {
    m_pfnLogon = nullptr;
    m_pfnLogoff = nullptr;
    m_pfnSendMail = nullptr;
    m_pfnSentMessageId = nullptr;
    m_pfnLastResult = nullptr;
    m_pfnAbortSend = nullptr;
    m_pfnSendHtmlMail = nullptr;
    if (m_hLibrary)
        dlclose(m_hLibrary);
    m_hLibrary = nullptr;
}

void CMapiLibrary::DescribeLastCall(CSendResult& result) const {
    CorvaneResult last{};
    if (!m_pfnLastResult || m_pfnLastResult(&last) != SUCCESS_SUCCESS ||
        int(last.ulResult) != result.nCode) {
        result.bTemporary = result.nCode == int(MAPI_E_NETWORK_FAILURE);
        return;
    }
    const bool bKnownStep = last.ulStep <= ULONG(CORVANE_STEP_MESSAGE);
    result.step = bKnownStep ? CSendResult::Step(last.ulStep) : CSendResult::Step::None;
    result.nReplyCode = int(last.ulReplyCode);
    result.bTemporary = last.ulTemporary != 0;
    // A library that forgot the zero byte gives no more than its buffer.
    result.strReply = QString::fromUtf8(last.szReply, qstrnlen(last.szReply, sizeof last.szReply));
}

void CMapiLibrary::AbortCalls() const {
    if (m_pfnAbortSend)
        m_pfnAbortSend();
}
