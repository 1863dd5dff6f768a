#include "app/CContactsCommandLine.h"

#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "platform/dao/CDaoException.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kMaxListed = 50;

void Print(FILE* pStream, const QString& strText) {
    std::fputs(qPrintable(strText + u'\n'), pStream);
    std::fflush(pStream);
}

int Fail(const QString& strMessage, int nExit = 1) {
    Print(stderr, strMessage);
    return nExit;
}

bool IsCommandArgument(const QString& strArgument) {
    return strArgument == u"--import" || strArgument == u"--export" || strArgument == u"--help" ||
           strArgument == u"-h";
}

} // namespace

int CContactsCommandLine::Run(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (std::none_of(arguments.cbegin(), arguments.cend(), IsCommandArgument))
        return kNotACommand;
    QCoreApplication application(argc, argv);
    // The store's boxes become lines on the error output.
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        Print(stderr, call.strText);
        return IDOK;
    });
    try {
        return Dispatch(arguments);
    } catch (const CContactError& e) {
        return Fail(e.Message());
    } catch (const CDaoException& e) {
        return Fail(e.m_pErrorInfo->m_strDescription);
    }
}

QString CContactsCommandLine::Usage() {
    return QStringLiteral(
        "Usage: corvane [--import FILE [--template NAME] [--update] | --export FILE |\n"
        "                --copy-to URL | --copy-from URL | --help]\n"
        "\n"
        "Without options Corvane opens its window. The options work on Addresses.mdb\n"
        "of the current folder, or on the team's database that the settings name,\n"
        "without opening a window:\n"
        "  --import FILE    add the addresses of a CSV (.csv, .txt) or vCard (.vcf) file\n"
        "  --template NAME  the template of the new records (a .txt file of this folder)\n"
        "  --update         update the other fields of addresses that are stored already\n"
        "                   (without it they are skipped)\n"
        "  --export FILE    write all records as CSV (.csv, .txt) or vCard 3.0 (.vcf)\n"
        "  --copy-to URL    copy Addresses.mdb into the empty table of a PostgreSQL\n"
        "                   database (postgresql://USER@HOST:PORT/DATABASE)\n"
        "  --copy-from URL  copy the table of a PostgreSQL database into a new\n"
        "                   Addresses.mdb of the current folder\n"
        "  --help           show this text\n"
        "\n"
        "The import prints what it added, updated, skipped and refused; the exit\n"
        "status is 0 when something was imported or exported, 1 when nothing could\n"
        "be done, 2 for wrong options.");
}

int CContactsCommandLine::Dispatch(const QStringList& arguments) {
    QString strImport, strExport, strTemplate;
    bool bUpdate = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& strArgument = arguments[i];
        if (strArgument == u"--help" || strArgument == u"-h") {
            Print(stdout, Usage());
            return 0;
        }
        const bool bTakesValue = strArgument == u"--import" || strArgument == u"--export" ||
                                 strArgument == u"--template";
        if (bTakesValue && i + 1 >= arguments.size())
            return Fail(QStringLiteral("%1 needs a value.\n\n%2").arg(strArgument, Usage()), kUsageError);
        if (strArgument == u"--import")
            strImport = arguments[++i];
        else if (strArgument == u"--export")
            strExport = arguments[++i];
        else if (strArgument == u"--template")
            strTemplate = arguments[++i];
        else if (strArgument == u"--update")
            bUpdate = true;
        else
            return Fail(QStringLiteral("Unknown option \"%1\".\n\n%2").arg(strArgument, Usage()),
                        kUsageError);
    }
    if (strImport.isEmpty() == strExport.isEmpty() ||
        (!strExport.isEmpty() && (bUpdate || !strTemplate.isEmpty())))
        return Fail(QStringLiteral("Give either --import FILE or --export FILE.\n\n%1").arg(Usage()),
                    kUsageError);
    return strImport.isEmpty() ? Export(strExport) : Import(strImport, strTemplate, bUpdate);
}

int CContactsCommandLine::Import(const QString& strFile, const QString& strTemplate, bool bUpdate) {
    if (!strTemplate.isEmpty() && !QFileInfo(strTemplate).isFile())
        return Fail(QStringLiteral("The template \"%1\" is not a file of this folder.").arg(strTemplate),
                    kUsageError);
    const std::unique_ptr<CContactSource> pSource = CContactSource::Open(strFile);
    CAddressDatabase db;
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    CImportOptions options;
    options.mapping = CContactMapping::ForHeaders(pSource->Headers());
    options.strTemplate = strTemplate;
    options.bUpdate = bUpdate;
    const CImportSummary summary =
        CContactImport(db.m_pCDaoDatabase.get(), db.m_schema).Run(*pSource, options);
    Print(stdout, summary.Text(kMaxListed));
    return summary.AnythingDone() ? 0 : 1;
}

int CContactsCommandLine::Export(const QString& strFile) {
    CAddressDatabase db;
    if (CAddressDatabase::ServerUrl().isEmpty() && !QFileInfo::exists(db.m_schema.m_strFile))
        return Fail(QStringLiteral("There is no %1 in this folder.").arg(db.m_schema.m_strFile));
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    const int nWritten = CContactExport(db.m_pCDaoDatabase.get(), db.m_schema).Run(strFile);
    Print(stdout, QStringLiteral("Exported: %1").arg(nWritten));
    return nWritten > 0 ? 0 : 1;
}
