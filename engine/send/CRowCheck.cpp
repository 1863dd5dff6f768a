#include "engine/send/CRowCheck.h"

#include "engine/address/CAddressRule.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "engine/merge/CMergedMail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

QList<CRowCheck::Problem> CRowCheck::Check(const CRowMail& mail, const QString& strStartDir,
                                           CMarkdownRenderer* pRenderer) {
    QList<Problem> problems;
    if (!mail.bTemplateOpened)
        problems << Problem::TemplateMissing;
    else if (!IsTemplateInFolder(mail.strTemplate, strStartDir))
        problems << Problem::TemplateOutsideFolder;
    if (mail.bTemplateOpened &&
        !MissingAttachments(mail.mail.m_strAttachments, strStartDir).isEmpty())
        problems << Problem::AttachmentMissing;
    if (mail.bTemplateOpened && mail.mail.m_bMarkdown) {
        std::optional<CMarkdownRenderer> own;
        if (pRenderer == nullptr)
            pRenderer = &own.emplace(strStartDir);
        if (!pRenderer->Render(mail.mail).m_problems.isEmpty())
            problems << Problem::ImageMissing;
    }
    if (!IsAddressAccepted(mail.mail.m_strEMail))
        problems << Problem::AddressRefused;
    return problems;
}

QStringList CRowCheck::MissingAttachments(const QString& strAttachments,
                                          const QString& strStartDir) {
    QStringList arrMissing;
    const QDir startDir(strStartDir);
    for (const QString& strPath : CMergedMail::SplitAttachments(strAttachments)) {
        QFile file(startDir.filePath(strPath));
        if (strPath.isEmpty() || !file.open(QIODevice::ReadOnly))
            arrMissing << strPath;
    }
    return arrMissing;
}

bool CRowCheck::IsAddressAccepted(const QString& strEMail) {
    return CAddressRule::IsPlain(strEMail);
}

bool CRowCheck::IsTemplateInFolder(const QString& strTemplate, const QString& strStartDir) {
    QString strFolder = QFileInfo(strStartDir).canonicalFilePath();
    const QString strFile = QFileInfo(QDir(strStartDir).filePath(strTemplate)).canonicalFilePath();
    if (strFolder.isEmpty() || strFile.isEmpty())
        return false;
    if (!strFolder.endsWith(u'/'))
        strFolder += u'/';
    return strFile.startsWith(strFolder);
}
