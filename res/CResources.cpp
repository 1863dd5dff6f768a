#include "res/CResources.h"

#include <QPixmap>

void CResources::Load() {
    static const bool bLoaded = [] {
        Q_INIT_RESOURCE(corvane);
        return true;
    }();
    Q_UNUSED(bLoaded);
}

const QString& CResources::AppTitle() {
    static const QString strTitle = QStringLiteral("Corvane");
    return strTitle;
}

QIcon CResources::Icon(unsigned nIDResource) {
    return Picture(QStringLiteral(":/res/icons/icon%1.png").arg(nIDResource));
}

// Naming the format spares the start-up the search through every image plugin.
QIcon CResources::Picture(const QString& strPath) {
    Load();
    return QIcon(QPixmap(strPath, "PNG"));
}

QString CResources::HelpPage(const QString& strPage) {
    Load();
    return QStringLiteral("qrc:/help/") + strPage;
}
