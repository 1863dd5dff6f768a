#include "store/CAddressDatabase.h"

#include <QClipboard>
#include <QGuiApplication>

QString CAddressDatabase::GetClipboardText() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QString();
    QString strText = QGuiApplication::clipboard()->text();
    // The text ends at its first zero character, as a C string would.
    const qsizetype nZero = strText.indexOf(QChar(0));
    if (nZero >= 0)
        strText.truncate(nZero);
    return strText;
}
