// Address extraction and the exact-address lookup of the clipboard capture.
// The input is the clipboard's text (UTF-8). The address is a tail of the
// trimmed text, or nothing when the text holds no '@'; looking it up in a
// real address file finds the one stored record exactly when the address is
// that record's, letter case of ASCII letters aside, quotes and all.

#include "engine/capture/CAddressExtractor.h"
#include "engine/store/CAddressRecords.h"
#include "engine/store/CreateTable.h"
#include "engine/text/TrimWhiteSpace.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoTableDef.h"
#include "platform/dao/DaoConstants.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QString kStored = QStringLiteral("O'Brien-Smith+news@Example.com");

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

// The comparison of the EMail field's collation: ASCII letters without case.
bool EqualIgnoringAsciiCase(const QString& strA, const QString& strB) {
    if (strA.size() != strB.size())
        return false;
    for (qsizetype i = 0; i < strA.size(); ++i) {
        char16_t chA = strA[i].unicode();
        char16_t chB = strB[i].unicode();
        chA = chA >= u'A' && chA <= u'Z' ? chA + (u'a' - u'A') : chA;
        chB = chB >= u'A' && chB <= u'Z' ? chB + (u'a' - u'A') : chB;
        if (chA != chB)
            return false;
    }
    return true;
}

// The address table's key and EMail fields, enough for the lookup.
CTableSchema Schema() {
    CTableSchema schema;
    schema.m_strTable = QStringLiteral("ADDRESSES");
    schema.AppendField(QStringLiteral("ID_Address"), dbLong, 4, 0, dbAutoIncrField);
    schema.AppendField(QStringLiteral("EMail"), dbText, 200, 0, 0);
    schema.m_nFields = int(schema.m_arrName.size());
    schema.m_nLabelField = 1;
    return schema;
}

std::unique_ptr<CAddressRecords> g_pRecords;

} // namespace

// A table in a folder of its own, holding one record.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir folder;
    Require(folder.isValid(), "no temporary folder");
    static CDaoDatabase database;
    database.Create(QDir(folder.path()).filePath(QStringLiteral("Addresses.mdb")));
    const CTableSchema schema = Schema();
    CDaoTableDef tableDef(&database);
    CreateTable(tableDef, schema);
    g_pRecords = std::make_unique<CAddressRecords>(&database, schema);
    g_pRecords->Add({QStringLiteral("0"), kStored});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QString strText =
        QString::fromUtf8(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const QString strTrimmed = TrimWhiteSpace(strText);
    const QString strEMail = CAddressExtractor::Extract(strText);
    if (!strTrimmed.contains(u'@')) {
        Require(strEMail.isEmpty(), "an address from a text without '@'");
        return 0;
    }
    Require(strTrimmed.endsWith(strEMail), "the address is not the end of the text");
    Require(g_pRecords->FindByEMail(strEMail) == EqualIgnoringAsciiCase(strEMail, kStored),
            "the lookup does not find exactly the stored address");
    return 0;
}
