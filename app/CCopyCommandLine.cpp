#include "app/CCopyCommandLine.h"

#include "app/CCommandLineArguments.h"
#include "app/CCommandLineError.h"
#include "app/PrintLine.h"
#include "engine/store/CStoreCopy.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "store/CAddressDatabase.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The options' names; each asks for the command.
const QString s_strCopyTo = QStringLiteral("--copy-to");
const QString s_strCopyFrom = QStringLiteral("--copy-from");

void PrintCopied(int nCopied, const CDaoDatabase& from, const CDaoDatabase& to) {
    PrintLine(stdout, QStringLiteral("Copied %1 addresses from %2 to %3.")
                          .arg(nCopied)
                          .arg(from.GetName(), to.GetName()));
}

void OpenServer(CDaoDatabase& database, const QString& strUrl) {
    database.OpenServer(strUrl, CAddressDatabase::ServerPassword(strUrl));
}

} // namespace

QList<CCommandLineOption> CCopyCommandLine::Options() const {
    return {
        {s_strCopyTo, QStringLiteral("URL"),
         QStringLiteral("copy Addresses.mdb into the empty table of a PostgreSQL database "
                        "(postgresql://USER@HOST:PORT/DATABASE)"),
         true},
        {s_strCopyFrom, QStringLiteral("URL"),
         QStringLiteral("copy the table of a PostgreSQL database into a new Addresses.mdb of "
                        "the current folder"),
         true},
    };
}

QStringList CCopyCommandLine::Synopsis() const {
    return {s_strCopyTo + QStringLiteral(" URL"), s_strCopyFrom + QStringLiteral(" URL")};
}

QString CCopyCommandLine::Notes() const {
    return QStringLiteral(
        "A copy takes all addresses or none and prints how many it copied; the exit\n"
        "status is 0 when it copied, 1 when it could not.");
}

int CCopyCommandLine::Run(const CCommandLineArguments& arguments) {
    if (arguments.Has(s_strCopyTo) && arguments.Has(s_strCopyFrom))
        throw CCommandLineError(QStringLiteral("Give either --copy-to URL or --copy-from URL."));
    return arguments.Has(s_strCopyTo) ? CopyTo(arguments.Value(s_strCopyTo))
                                      : CopyFrom(arguments.Value(s_strCopyFrom));
}

int CCopyCommandLine::CopyTo(const QString& strUrl) {
    const CAddressDatabase store;
    if (!QFileInfo::exists(store.m_schema.m_strFile)) {
        PrintLine(stderr,
                  QStringLiteral("There is no %1 in this folder.").arg(store.m_schema.m_strFile));
        return 1;
    }
    CDaoDatabase file;
    file.Open(store.m_schema.m_strFile, false, true);
    CDaoDatabase server;
    OpenServer(server, strUrl);
    PrintCopied(CStoreCopy(file, server, store.m_schema).Run(), file, server);
    return 0;
}

// A file made here and left unfinished is removed, so that the copy can
// simply be run again.
int CCopyCommandLine::CopyFrom(const QString& strUrl) {
    const CAddressDatabase store;
    if (QFileInfo::exists(store.m_schema.m_strFile)) {
        PrintLine(stderr,
                  QStringLiteral("This folder has an %1 already; copy into a folder without "
                                 "one.")
                      .arg(store.m_schema.m_strFile));
        return 1;
    }
    CDaoDatabase server;
    OpenServer(server, strUrl);
    CDaoDatabase file;
    file.Create(store.m_schema.m_strFile, QString(), CDaoDatabase::s_nCreateWithFirstTable);
    try {
        PrintCopied(CStoreCopy(server, file, store.m_schema).Run(), server, file);
        return 0;
    } catch (const CDaoException&) {
        file.Close();
        QFile::remove(store.m_schema.m_strFile);
        throw;
    }
}
