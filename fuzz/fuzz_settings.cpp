// The settings reader: the input is written as the settings file, then every
// key the file holds and every key the program and the mail library read are
// read through the reader, as texts and as numbers.

#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

struct SectionKey {
    QString strSection;
    QString strKey;
};

// The shared keys, and every key of the file as section and name.
QList<SectionKey> KeysToRead() {
    QList<SectionKey> keys = {
        {CProfileSettings::kSectionMail, CProfileSettings::kKeyMapi},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyTransport},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyServer},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyUser},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyPassword},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeySender},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyCAFile},
        {CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyOutbox},
    };
    QSettings settings(CProfileSettings::FilePath(), QSettings::IniFormat);
    const QStringList arrStored = settings.allKeys();
    for (const QString& strStored : arrStored) {
        const qsizetype nSlash = strStored.indexOf(u'/');
        if (nSlash < 0)
            keys.append({QString(), strStored});
        else
            keys.append({strStored.left(nSlash), strStored.mid(nSlash + 1)});
    }
    return keys;
}

} // namespace

// The reader finds its file under XDG_CONFIG_HOME: a folder of the fuzzer's
// own, so that a run never touches the user's settings.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir configHome;
    Require(configHome.isValid(), "no temporary folder");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    Require(QDir().mkpath(configHome.filePath(QStringLiteral("Ostwick"))), "no settings folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    {
        QFile file(CProfileSettings::FilePath());
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the file");
        Require(file.write(reinterpret_cast<const char*>(pData), qint64(nSize)) == qint64(nSize),
                "cannot write the file");
    }
    for (const SectionKey& key : KeysToRead()) {
        CProfileSettings::GetProfileString(key.strSection, key.strKey);
        Require(CProfileSettings::GetProfileInt(key.strSection, key.strKey, 0) >= 0,
                "a stored number reads as negative");
    }
    return 0;
}
