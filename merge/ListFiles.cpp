#include "store/CAddressDatabase.h"

#include <QDir>

int CAddressDatabase::ListFiles(QString strFolder, QStringList* pArray, QString strExtension) {
    QDir folder(strFolder);
    // Without an explicit case filter the name filter ignores letter case, as
    // the extensions of templates written on Windows ask for (OFFER.TXT).
    if (!strExtension.isEmpty())
        folder.setNameFilters({QStringLiteral("*.") + strExtension});
    const QStringList arrNames = folder.entryList(QDir::Files, QDir::Unsorted);
    pArray->append(arrNames);
    return static_cast<int>(arrNames.size());
}
