#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOwnerOnlyFile = S_IRUSR | S_IWUSR;
constexpr mode_t kOwnerOnlyFolder = S_IRWXU;

QString ValueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// atoi as GetProfileIntA applies it: leading blanks, an optional sign, then
// as many digits as there are.
long long LeadingInteger(const QString& strText) {
    const QString strTrimmed = strText.trimmed();
    int nPos = 0;
    bool bNegative = false;
    if (nPos < strTrimmed.size() && (strTrimmed[nPos] == u'-' || strTrimmed[nPos] == u'+'))
        bNegative = strTrimmed[nPos++] == u'-';
    long long nValue = 0;
    for (; nPos < strTrimmed.size() && strTrimmed[nPos] >= u'0' && strTrimmed[nPos] <= u'9';
         ++nPos) {
        nValue = std::min<long long>(nValue * 10 + (strTrimmed[nPos].unicode() - u'0'), INT_MAX);
    }
    return bNegative ? -nValue : nValue;
}

} // namespace

QString CProfileSettings::FilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ostwick/Corvane.conf");
}

int CProfileSettings::GetProfileInt(const QString& strSection, const QString& strKey,
                                    int nDefault) {
    QSettings settings(FilePath(), QSettings::IniFormat);
    const QString strStored = StoredKey(settings, strSection, strKey);
    if (!settings.contains(strStored))
        return nDefault;
    return static_cast<int>(std::max(0LL, LeadingInteger(ValueText(settings.value(strStored)))));
}

QString CProfileSettings::GetProfileString(const QString& strSection, const QString& strKey,
                                           const QString& strDefault) {
    QSettings settings(FilePath(), QSettings::IniFormat);
    const QString strStored = StoredKey(settings, strSection, strKey);
    if (!settings.contains(strStored))
        return strDefault;
    return ValueText(settings.value(strStored));
}

bool CProfileSettings::WriteProfileValue(const QString& strSection, const QString& strKey,
                                         const QVariant& value) {
    return ChangeOwnerOnlyFile(FilePath(), [&](QSettings& settings) {
        settings.setValue(StoredKey(settings, strSection, strKey), value);
    });
}

bool CProfileSettings::RemoveProfileValue(const QString& strSection, const QString& strKey) {
    if (!QFileInfo::exists(FilePath()))
        return true;
    return ChangeOwnerOnlyFile(FilePath(), [&](QSettings& settings) {
        settings.remove(StoredKey(settings, strSection, strKey));
    });
}

bool CProfileSettings::ChangeOwnerOnlyFile(const QString& strPath,
                                           const std::function<void(QSettings&)>& change) {
    if (!PrepareOwnerOnlyFile(strPath))
        return false;
    {
        QSettings settings(strPath, QSettings::IniFormat);
        change(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    // QSettings replaces the file through a temporary one that takes over the
    // permissions of the file it replaces; make sure of the result anyway.
    return ::chmod(QFile::encodeName(strPath).constData(), kOwnerOnlyFile) == 0;
}

// The "Section/Key" under which the file holds the value, matched without
// regard to letter case; the given spelling when the file has none.
QString CProfileSettings::StoredKey(QSettings& settings, const QString& strSection,
                                    const QString& strKey) {
    QString strGroup = strSection;
    const QStringList arrGroups = settings.childGroups();
    for (const QString& strCandidate : arrGroups) {
        if (strCandidate.compare(strSection, Qt::CaseInsensitive) == 0) {
            strGroup = strCandidate;
            break;
        }
    }
    QString strName = strKey;
    settings.beginGroup(strGroup);
    const QStringList arrKeys = settings.childKeys();
    settings.endGroup();
    for (const QString& strCandidate : arrKeys) {
        if (strCandidate.compare(strKey, Qt::CaseInsensitive) == 0) {
            strName = strCandidate;
            break;
        }
    }
    return strGroup + u'/' + strName;
}

// Creates the folder and an empty file readable by the owner only before
// QSettings writes, so that the password is never in a file others can read,
// not even for a moment.
bool CProfileSettings::PrepareOwnerOnlyFile(const QString& strPath) {
    const QString strFolder = QFileInfo(strPath).absolutePath();
    if (!QFileInfo::exists(strFolder)) {
        if (!QDir().mkpath(strFolder) ||
            ::chmod(QFile::encodeName(strFolder).constData(), kOwnerOnlyFolder) != 0)
            return false;
    }
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_WRONLY | O_CREAT | O_CLOEXEC,
                          kOwnerOnlyFile);
    if (fd < 0)
        return false;
    const bool bOk = ::fchmod(fd, kOwnerOnlyFile) == 0;
    ::close(fd);
    return bOk;
}
