#include "mapi32/COutboxTransport.h"

#include "mapi32/MapiResult.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

namespace {

// Tries of new names within one second before giving up.
constexpr int kMaxNamesPerSecond = 100000;

// "20260712-153045-1.eml": sorted by the time of writing.
std::string EmlName(std::time_t nTime, int nNumber) {
    std::tm local{};
    localtime_r(&nTime, &local);
    char szStamp[32];
    std::strftime(szStamp, sizeof szStamp, "%Y%m%d-%H%M%S", &local);
    return std::string(szStamp) + '-' + std::to_string(nNumber) + ".eml";
}

bool WriteAll(int fd, const std::string& strData) {
    size_t nDone = 0;
    while (nDone < strData.size()) {
        const ssize_t nWritten = ::write(fd, strData.data() + nDone, strData.size() - nDone);
        if (nWritten < 0 && errno != EINTR)
            return false;
        if (nWritten > 0)
            nDone += static_cast<size_t>(nWritten);
    }
    return true;
}

// link() where the file system has hard links, a rename that refuses to
// replace where it has not (FAT and the like).
bool LinkWithoutReplacing(const std::string& strFrom, const std::string& strTo) {
    if (::link(strFrom.c_str(), strTo.c_str()) == 0)
        return true;
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    return ::renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0;
}

} // namespace

COutboxTransport::COutboxTransport(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

// The folder is checked when the first mail is written into it.
CMailOutcome COutboxTransport::Logon() {
    return {};
}

// The mail is written into a hidden temporary file of the same folder, made
// durable, and then given its .eml name with link(), which never replaces an
// existing file. On any failure the temporary file is removed again.
CMailOutcome COutboxTransport::Deliver(const std::string&, const std::string&,
                                       const std::string& strMessage) {
    std::string strTemporary = m_strFolder + "/.corvane-XXXXXX";
    const int fd = ::mkostemp(strTemporary.data(), O_CLOEXEC);
    if (fd < 0)
        return FailureOf(errno);
    const bool bWritten = WriteAll(fd, strMessage) && ::fsync(fd) == 0;
    const int nWriteErrno = errno;
    const bool bClosed = ::close(fd) == 0;
    int nErrno = 0;
    if (!bWritten || !bClosed)
        nErrno = bWritten ? errno : nWriteErrno;
    else
        nErrno = PublishUnderNewName(strTemporary);
    ::unlink(strTemporary.c_str());
    return nErrno == 0 ? CMailOutcome() : FailureOf(nErrno);
}

// 0, or the errno of the failure.
int COutboxTransport::PublishUnderNewName(const std::string& strTemporary) {
    const std::time_t nNow = std::time(nullptr);
    for (int nNumber = 1; nNumber <= kMaxNamesPerSecond; ++nNumber) {
        const std::string strName = m_strFolder + '/' + EmlName(nNow, nNumber);
        if (LinkWithoutReplacing(strTemporary, strName))
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

CMailOutcome COutboxTransport::FailureOf(int nErrno) const {
    ULONG nResult = MapiResult::OutboxWriteFailed;
    switch (nErrno) {
    case ENOENT:
    case ENOTDIR:
        nResult = MapiResult::OutboxMissing;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        nResult = MapiResult::OutboxDenied;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        nResult = MapiResult::OutboxFull;
        break;
    default:
        break;
    }
    return CMailOutcome::Failure(nResult, CORVANE_STEP_OUTBOX,
                                 m_strFolder + ": " + g_strerror(nErrno));
}
