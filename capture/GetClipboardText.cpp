#include "store/CAddressDatabase.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QString CAddressDatabase::GetClipboardText() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QString();
    // Only text that the clipboard's owner offers as text counts: some owners
    // hand out their image bytes for any type they are asked for.
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    if (!pData || !pData->hasText())
        return QString();
    QString strText = pData->text();
    // The text ends at its first zero character, as a C string would.
    const qsizetype nZero = strText.indexOf(QChar(0));
    if (nZero >= 0)
        strText.truncate(nZero);
    return strText;
}
