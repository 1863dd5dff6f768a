#include "engine/merge/CMergedMail.h"

#include "engine/text/TrimWhiteSpace.h"

#include <QRegularExpression>

QStringList CMergedMail::SplitAttachments(const QString& strAttachments) {
    static const QRegularExpression delimiters(QStringLiteral("[,\t;]"));
    QStringList arrPaths;
    const QStringList arrTokens = strAttachments.split(delimiters, Qt::SkipEmptyParts);
    for (const QString& strToken : arrTokens)
        arrPaths += TrimWhiteSpace(strToken);
    return arrPaths;
}

QString CMergedMail::PreviewBlock() const {
    const QString strHeader =
        QStringLiteral("================= %1 =================").arg(m_strEMail);
    return QStringLiteral(
               "%1 \n\nTo:\t\t\t\t\t%2 \nSubject:\t\t\t%3 \nAttachments:\t%4 \n\n\n%5 \n\n\n")
        .arg(strHeader, m_strEMail, m_strSubject, m_strAttachments, m_strBody);
}
