#include "engine/send/CRowCheck.h"

#include "mapi32/CMailAddress.h"
#include "merge/TrimWhiteSpace.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

QList<CRowCheck::Problem> CRowCheck::Check(const CRowMail& mail, const QString& strStartDir) {
    QList<Problem> problems;
    if (!mail.bTemplateOpened)
        problems << Problem::TemplateMissing;
    else if (!MissingAttachments(mail.strAttachments, strStartDir).isEmpty())
        problems << Problem::AttachmentMissing;
    if (!IsAddressAccepted(mail.strEMail))
        problems << Problem::AddressRefused;
    return problems;
}

QStringList CRowCheck::MissingAttachments(const QString& strAttachments,
                                          const QString& strStartDir) {
    static const QRegularExpression delimiters(QStringLiteral("[,\t;]"));
    QStringList arrMissing;
    const QDir startDir(strStartDir);
    for (const QString& strToken : strAttachments.split(delimiters, Qt::SkipEmptyParts)) {
        const QString strPath = TrimWhiteSpace(strToken);
        QFile file(startDir.filePath(strPath));
        if (strPath.isEmpty() || !file.open(QIODevice::ReadOnly))
            arrMissing << strPath;
    }
    return arrMissing;
}

bool CRowCheck::IsAddressAccepted(const QString& strEMail) {
    const QByteArray address = strEMail.toUtf8();
    return CMailAddress::IsPlain(
        CMailAddress::WithoutType(std::string_view(address.constData(), address.size())));
}
