// A program that sends as Send Mail does, for a test that kills it midway:
// nRows addresses of offer.txt in FOLDER, one run, its log beside the store.

#include "views/Globals.h"
#include "engine/send/CSentLookup.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMailCommand.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arrArgs = QApplication::arguments();
    if (arrArgs.size() != 3 || !QDir::setCurrent(arrArgs[1]))
        return 2;
    g_strStartDir = QDir::currentPath();
    CAddressDatabase db;
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    QList<int> items;
    for (int nRow = 1; nRow <= arrArgs[2].toInt(); ++nRow) {
        const int nItem = list.InsertItem(list.GetItemCount(), QString::number(nRow));
        list.SetItemText(nItem, 2,
                         QStringLiteral("user%1@example.com").arg(nRow, 4, 10, QLatin1Char('0')));
        list.SetItemText(nItem, 4, QStringLiteral("User %1").arg(nRow));
        list.SetItemText(nItem, 5, QStringLiteral("offer.txt"));
        items << nItem;
    }
    const QString strLog = CSendMailCommand::LogPath(db);
    const auto rows = CSendMailCommand::Plan(
        CSendMailCommand::CheckRows(db, list, items, CSentLookup(CSendLog(strLog).Read())), {});
    auto* pRun = new CSendRun(&app, db, nullptr, rows, strLog, 0);
    QObject::connect(pRun, &CSendRun::finished, &app, &QApplication::quit);
    pRun->Start();
    return app.exec();
}
