#include "res/CResources.h"

void CResources::Load() {
    static const bool bLoaded = [] {
        Q_INIT_RESOURCE(corvane);
        return true;
    }();
    Q_UNUSED(bLoaded);
}

QIcon CResources::Icon(unsigned nIDResource) {
    Load();
    return QIcon(QStringLiteral(":/res/icons/icon%1.png").arg(nIDResource));
}

QString CResources::HelpPage(const QString& strPage) {
    Load();
    return QStringLiteral("qrc:/help/") + strPage;
}
