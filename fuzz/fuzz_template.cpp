// The mail template filled from a table row, as the preview shows it. The
// input is the template's bytes, then, after a zero byte (the template ends at
// its first one anyway), the row's cells separated by zero bytes: Date, EMail,
// Prefix, Name, MY_1 to MY_5. The mail goes to the row's trimmed address, its
// preview opens with that address, and subject and body come out trimmed.

#include "engine/merge/CMailTemplate.h"
#include "engine/text/TrimWhiteSpace.h"

#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

CMailRow RowOf(const QList<QByteArray>& parts) {
    const auto cell = [&parts](qsizetype i) {
        return i < parts.size() ? QString::fromUtf8(parts[i]) : QString();
    };
    CMailRow row;
    row.m_strDate = cell(1);
    row.m_strEMail = cell(2);
    row.m_strPrefix = cell(3);
    row.m_strName = cell(4);
    for (qsizetype i = 0; i < qsizetype(row.m_arrMy.size()); ++i)
        row.m_arrMy[i] = cell(5 + i);
    return row;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QByteArray input(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const QList<QByteArray> parts = input.split('\0');
    const CMailRow row = RowOf(parts);
    const CMergedMail mail =
        CMailTemplate::Merge(row, parts.first(), QStringLiteral("12/07/26"));

    const QString strEMail = TrimWhiteSpace(row.m_strEMail);
    Require(mail.m_strEMail == strEMail, "the mail does not go to the row's address");
    Require(mail.m_strSubject == TrimWhiteSpace(mail.m_strSubject), "the subject is not trimmed");
    Require(mail.m_strBody == TrimWhiteSpace(mail.m_strBody), "the body is not trimmed");
    Require(mail.PreviewBlock().startsWith(QStringLiteral("================= ") + strEMail +
                                           QStringLiteral(" ================= \n\n")),
            "the preview does not open with the row's address");
    return 0;
}
