#include "app/CContactsCommandLine.h"

#include "app/CCommandLineArguments.h"
#include "app/CCommandLineError.h"
#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "platform/dao/CDaoException.h"
#include "store/CAddressDatabase.h"

#include <QFileInfo>
#include <cstdio>

namespace {

constexpr int kMaxListed = 50;

void Print(FILE* pStream, const QString& strText) {
    std::fputs(qPrintable(strText + u'\n'), pStream);
    std::fflush(pStream);
}

int Fail(const QString& strMessage) {
    Print(stderr, strMessage);
    return 1;
}

// The options' names; the first and the last ask for a command.
const QString s_strImport = QStringLiteral("--import");
const QString s_strTemplate = QStringLiteral("--template");
const QString s_strUpdate = QStringLiteral("--update");
const QString s_strExport = QStringLiteral("--export");

} // namespace

QList<CCommandLineOption> CContactsCommandLine::Options() const {
    return {
        {s_strImport, QStringLiteral("FILE"),
         QStringLiteral("add the addresses of a CSV (.csv, .txt) or vCard (.vcf) file"), true},
        {s_strTemplate, QStringLiteral("NAME"),
         QStringLiteral("the template of the new records (a .txt file of this folder)"), false},
        {s_strUpdate, QString(),
         QStringLiteral("also update addresses stored already (else they are skipped)"),
         false},
        {s_strExport, QStringLiteral("FILE"),
         QStringLiteral("write all records as CSV (.csv, .txt) or vCard 3.0 (.vcf)"), true},
    };
}

QStringList CContactsCommandLine::Synopsis() const {
    return {QStringLiteral("--import FILE [--template NAME] [--update]"),
            QStringLiteral("--export FILE")};
}

QString CContactsCommandLine::Notes() const {
    return QStringLiteral(
        "Import and export work on Addresses.mdb of the current folder. The import\n"
        "prints what it added, updated, skipped and refused; the exit status is 0\n"
        "when something was imported or exported, 1 when nothing could be done.");
}

int CContactsCommandLine::Run(const CCommandLineArguments& arguments) {
    const bool bImport = arguments.Has(s_strImport);
    if (bImport == arguments.Has(s_strExport) ||
        (!bImport && (arguments.Has(s_strUpdate) || arguments.Has(s_strTemplate))))
        throw CCommandLineError(QStringLiteral("Give either --import FILE or --export FILE."));
    try {
        return bImport ? Import(arguments.Value(s_strImport), arguments.Value(s_strTemplate),
                                arguments.Has(s_strUpdate))
                       : Export(arguments.Value(s_strExport));
    } catch (const CContactError& e) {
        return Fail(e.Message());
    } catch (const CDaoException& e) {
        return Fail(e.m_pErrorInfo->m_strDescription);
    }
}

int CContactsCommandLine::Import(const QString& strFile, const QString& strTemplate, bool bUpdate) {
    if (!strTemplate.isEmpty() && !QFileInfo(strTemplate).isFile())
        throw CCommandLineError(
            QStringLiteral("The template \"%1\" is not a file of this folder.").arg(strTemplate));
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
    if (!QFileInfo::exists(db.m_schema.m_strFile))
        return Fail(QStringLiteral("There is no %1 in this folder.").arg(db.m_schema.m_strFile));
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    const int nWritten = CContactExport(db.m_pCDaoDatabase.get(), db.m_schema).Run(strFile);
    Print(stdout, QStringLiteral("Exported: %1").arg(nWritten));
    return nWritten > 0 ? 0 : 1;
}
