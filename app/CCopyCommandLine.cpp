#include "app/CCopyCommandLine.h"

#include "app/CContactsCommandLine.h"
#include "engine/store/CStoreCopy.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "store/CAddressDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

void Print(FILE* pStream, const QString& strText) {
    std::fputs(qPrintable(strText + u'\n'), pStream);
    std::fflush(pStream);
}

bool IsCopyArgument(const QString& strArgument) {
    return strArgument == u"--copy-to" || strArgument == u"--copy-from";
}

void PrintCopied(int nCopied, const CDaoDatabase& from, const CDaoDatabase& to) {
    Print(stdout, QStringLiteral("Copied %1 addresses from %2 to %3.")
                      .arg(nCopied)
                      .arg(from.GetName(), to.GetName()));
}

void OpenServer(CDaoDatabase& database, const QString& strUrl) {
    database.OpenServer(strUrl, CAddressDatabase::ServerPassword(strUrl));
}

} // namespace

int CCopyCommandLine::Run(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (std::none_of(arguments.cbegin(), arguments.cend(), IsCopyArgument))
        return kNotACommand;
    QCoreApplication application(argc, argv);
    try {
        return Dispatch(arguments);
    } catch (const CDaoException& e) {
        Print(stderr, e.m_pErrorInfo->m_strDescription);
        return 1;
    }
}

int CCopyCommandLine::Dispatch(const QStringList& arguments) {
    if (arguments.size() != 2 || !IsCopyArgument(arguments[0])) {
        Print(stderr, QStringLiteral("Give either --copy-to URL or --copy-from URL, and nothing "
                                     "else.\n\n%1")
                          .arg(CContactsCommandLine::Usage()));
        return kUsageError;
    }
    return arguments[0] == u"--copy-to" ? CopyTo(arguments[1]) : CopyFrom(arguments[1]);
}

int CCopyCommandLine::CopyTo(const QString& strUrl) {
    const CAddressDatabase store;
    if (!QFileInfo::exists(store.m_schema.m_strFile)) {
        Print(stderr,
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
        Print(stderr, QStringLiteral("This folder has an %1 already; copy into a folder without "
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
