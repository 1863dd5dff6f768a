#include "app/CContactsCommandLine.h"

#include "engine/address/CAddressRule.h"
#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvSource.h"
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
        "Usage: corvane [--import FILE [--template NAME] [--update] [--columns LIST]\n"
        "                | --export FILE | --sign-in | --help]\n"
        "\n"
        "Without options Corvane opens its window. The options work on Addresses.mdb\n"
        "of the current folder without opening a window:\n"
        "  --import FILE    add the addresses of a CSV (.csv, .txt) or vCard (.vcf) file\n"
        "  --template NAME  the template of the new records (a .txt file of this folder),\n"
        "                   with --update of the updated ones too\n"
        "  --update         update the other fields of addresses that are stored already\n"
        "                   (without it they are skipped)\n"
        "  --columns LIST   the fields that a CSV file's columns hold, in their order,\n"
        "                   for a file without a header line: EMail,Name,,MY_1 (an empty\n"
        "                   name leaves a column out)\n"
        "  --export FILE    write all records as CSV (.csv, .txt) or vCard 3.0 (.vcf)\n"
        "  --sign-in        sign in with a code to the mail provider of the mail settings\n"
        "                   (Auth=oauth2), e.g. on a machine without a desktop\n"
        "  --help           show this text\n"
        "\n"
        "The import prints what it added, updated, skipped and refused; the exit\n"
        "status is 0 when something was imported or exported, 1 when nothing could\n"
        "be done, 2 for wrong options.");
}

int CContactsCommandLine::Dispatch(const QStringList& arguments) {
    QString strImport, strExport, strTemplate, strColumns;
    bool bUpdate = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& strArgument = arguments[i];
        if (strArgument == u"--help" || strArgument == u"-h") {
            Print(stdout, Usage());
            return 0;
        }
        const bool bTakesValue = strArgument == u"--import" || strArgument == u"--export" ||
                                 strArgument == u"--template" || strArgument == u"--columns";
        if (bTakesValue && i + 1 >= arguments.size())
            return Fail(QStringLiteral("%1 needs a value.\n\n%2").arg(strArgument, Usage()), kUsageError);
        if (strArgument == u"--import")
            strImport = arguments[++i];
        else if (strArgument == u"--export")
            strExport = arguments[++i];
        else if (strArgument == u"--template")
            strTemplate = arguments[++i];
        else if (strArgument == u"--columns")
            strColumns = arguments[++i];
        else if (strArgument == u"--update")
            bUpdate = true;
        else
            return Fail(QStringLiteral("Unknown option \"%1\".\n\n%2").arg(strArgument, Usage()),
                        kUsageError);
    }
    if (strImport.isEmpty() == strExport.isEmpty() ||
        (!strExport.isEmpty() && (bUpdate || !strTemplate.isEmpty() || !strColumns.isEmpty())))
        return Fail(QStringLiteral("Give either --import FILE or --export FILE.\n\n%1").arg(Usage()),
                    kUsageError);
    if (strImport.isEmpty())
        return Export(strExport);
    QStringList columns;
    if (!strColumns.isEmpty() && !Columns(strColumns, strImport, &columns))
        return kUsageError;
    return Import(strImport, strTemplate, bUpdate, columns);
}

// The names of --columns: fields of a record, or empty for a column left out.
bool CContactsCommandLine::Columns(const QString& strList, const QString& strFile, QStringList* pColumns) {
    if (CContactSource::IsVCardPath(strFile)) {
        Fail(QStringLiteral("--columns is for CSV files; a vCard names its properties itself."));
        return false;
    }
    for (const QString& strName : strList.split(u',')) {
        const QString strColumn = strName.trimmed();
        const auto known = std::find_if(CContactMapping::Fields().cbegin(), CContactMapping::Fields().cend(),
                                        [&strColumn](const QString& strField) {
                                            return strField.compare(strColumn, Qt::CaseInsensitive) == 0;
                                        });
        if (!strColumn.isEmpty() && known == CContactMapping::Fields().cend()) {
            Fail(QStringLiteral("--columns names \"%1\", which is no field. The fields are: %2.")
                     .arg(strColumn, CContactMapping::Fields().join(QStringLiteral(", "))));
            return false;
        }
        pColumns->append(strColumn.isEmpty() ? QString() : *known);
    }
    return true;
}

int CContactsCommandLine::Import(const QString& strFile, const QString& strTemplate, bool bUpdate,
                                 const QStringList& columns) {
    if (!strTemplate.isEmpty() &&
        (!CContactImport::TemplateProblem(strTemplate).isEmpty() || !QFileInfo(strTemplate).isFile()))
        return Fail(QStringLiteral("The template \"%1\" is not a file of this folder.").arg(strTemplate),
                    kUsageError);
    const std::unique_ptr<CContactSource> pSource = OpenSource(strFile, columns);
    CImportOptions options;
    options.mapping = columns.isEmpty() ? CContactMapping::ForHeaders(pSource->Headers())
                                        : CContactMapping::Recognise(pSource->Headers());
    if (!options.mapping.IsMapped(CContactMapping::FieldIndex(QStringLiteral("EMail"))))
        return Fail(CContactImport::NoAddressColumn() + u'\n' + ColumnsHint(strFile, *pSource, options.mapping));
    CAddressDatabase db;
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    options.strTemplate = strTemplate;
    options.bUpdate = bUpdate;
    options.bTemplateForUpdated = bUpdate;
    const CImportSummary summary =
        CContactImport(db.m_pCDaoDatabase.get(), db.m_schema).Run(*pSource, options);
    Print(stdout, summary.Text(kMaxListed));
    return summary.AnythingDone() ? 0 : 1;
}

// The file's columns and how --columns names them, with an example made of
// the columns recognised and the one whose first row holds an address.
QString CContactsCommandLine::ColumnsHint(const QString& strFile, CContactSource& source,
                                          const CContactMapping& mapping) {
    const QStringList headers = source.Headers();
    CContactRow first;
    source.ReadRow(&first);
    QStringList example;
    for (int nColumn = 0; nColumn < headers.size(); ++nColumn) {
        QString strField;
        for (int nField = 0; nField < CContactMapping::Fields().size(); ++nField)
            if (mapping.Columns(nField) == QList<int>{nColumn})
                strField = CContactMapping::Fields()[nField];
        if (strField.isEmpty() && CAddressRule::IsPlain(first.fields.value(nColumn).trimmed()))
            strField = QStringLiteral("EMail");
        example.append(strField);
    }
    return QStringLiteral("The file's columns are: %1.\n"
                          "Name them by the fields they fill, in their order, for example:\n"
                          "  corvane --import %2 --columns %3")
        .arg(headers.join(QStringLiteral(", ")), strFile, example.join(u','));
}

std::unique_ptr<CContactSource> CContactsCommandLine::OpenSource(const QString& strFile,
                                                                 const QStringList& columns) {
    if (columns.isEmpty())
        return CContactSource::Open(strFile);
    auto pCsv = std::make_unique<CCsvSource>(strFile);
    pCsv->NameColumns(columns);
    return pCsv;
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
