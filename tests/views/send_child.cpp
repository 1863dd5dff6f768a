// A program that sends as Send Mail does, for a test that kills it midway:
// nRows addresses of offer.txt in FOLDER, one run, its log beside the store.

#include "engine/send/CCsvRunLog.h"
#include "engine/send/CSendCheck.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMailCommand.h"
#include "views/CSendRun.h"
#include "views/Globals.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arrArgs = QApplication::arguments();
    if (arrArgs.size() != 3 || !QDir::setCurrent(arrArgs[1]))
        return 2;
    g_strStartDir = QDir::currentPath();
    CAddressDatabase db;
    const QString strLog = CSendMailCommand::LogPath(db);
    CSendCheck check(g_strStartDir, CCsvRunLog(strLog).Sent());
    QList<CCheckedRow> rows;
    for (int nRow = 1; nRow <= arrArgs[2].toInt(); ++nRow) {
        CMailRow row;
        row.m_strEMail = QStringLiteral("user%1@example.com").arg(nRow, 4, 10, QLatin1Char('0'));
        row.m_strName = QStringLiteral("User %1").arg(nRow);
        row.m_strTemplate = QStringLiteral("offer.txt");
        rows << check.Check(nRow - 1, row);
    }
    auto* pRun = new CSendRun(&app, db, nullptr, CSendCheck::Plan(rows, CSendChoices()),
                              std::make_unique<CCsvRunLog>(strLog), 0);
    QObject::connect(pRun, &CSendRun::finished, &app, &QApplication::quit);
    pRun->Start();
    return app.exec();
}
