// The readers of files from outside: a contacts file read as CSV or as
// vCards, and a send log. The input's first byte picks the reader, the rest is
// the file. Whatever the file, every row keeps within the bounds of a record,
// a vCard row has all its columns, rows come in the order of their lines, and
// a file that cannot be read says so with the reader's error.

#include "engine/contacts/CContactError.h"
#include "engine/contacts/CCsvReader.h"
#include "engine/contacts/CCsvSource.h"
#include "engine/contacts/CVCardSource.h"
#include "engine/send/CSendLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

bool WithinBounds(const QStringList& fields) {
    qsizetype nCharacters = 0;
    for (const QString& strField : fields)
        nCharacters += strField.size();
    return fields.size() <= CCsvReader::kMaxFields && nCharacters <= CCsvReader::kMaxCharacters;
}

void ReadContacts(const QString& strPath, bool bVCard) {
    std::unique_ptr<CContactSource> pSource;
    try {
        if (bVCard)
            pSource = std::make_unique<CVCardSource>(strPath);
        else
            pSource = std::make_unique<CCsvSource>(strPath);
        CContactRow row;
        qint64 nLastLine = 0;
        while (pSource->ReadRow(&row)) {
            Require(row.nLine >= nLastLine, "a row comes before the line of the row before it");
            nLastLine = row.nLine;
            Require(!bVCard || row.fields.size() == CVCardSource::ColumnNames().size(),
                    "a vCard row lacks columns");
            Require(bVCard || WithinBounds(row.fields), "a CSV row is larger than a record may be");
        }
        Require(pSource->FallbackLines().size() <= pSource->FallbackLineCount(),
                "more lines named than read in the fallback encoding");
    } catch (const CContactError& e) {
        Require(!e.Message().isEmpty(), "an error without a message");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static QTemporaryDir dir;
    if (nSize == 0)
        return 0;
    const QByteArray file(reinterpret_cast<const char*>(pData) + 1, qsizetype(nSize) - 1);
    const int nReader = pData[0] % 3;
    if (nReader == 2) {
        for (const QStringList& record : CSendLog::ParseCsv(file))
            Require(WithinBounds(record), "a log record is larger than a record may be");
        return 0;
    }
    const QString strPath = dir.filePath(nReader == 0 ? QStringLiteral("in.csv") : QStringLiteral("in.vcf"));
    QFile out(strPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
        abort();
    out.close();
    ReadContacts(strPath, nReader == 1);
    return 0;
}
