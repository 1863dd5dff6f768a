#include "app/CContactsCommandLine.h"

#include "app/CCommandLineArguments.h"
#include "app/CCommandLineError.h"
#include "app/PrintLine.h"
#include "engine/address/CAddressRule.h"
#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvSource.h"
#include "store/CAddressDatabase.h"

#include <QFileInfo>
#include <algorithm>

namespace {

constexpr int kMaxListed = 50;

int Fail(const QString& strMessage) {
    PrintLine(stderr, strMessage);
    return 1;
}

// The command's work, with the file's refusal told on the error output as a
// failure.
template <typename Work> int Guarded(Work&& work) {
    try {
        return work();
    } catch (const CContactError& e) {
        return Fail(e.Message());
    }
}

// The options' names; --import and --export ask for a command.
const QString s_strImport = QStringLiteral("--import");
const QString s_strTemplate = QStringLiteral("--template");
const QString s_strUpdate = QStringLiteral("--update");
const QString s_strColumns = QStringLiteral("--columns");
const QString s_strExport = QStringLiteral("--export");

} // namespace

QList<CCommandLineOption> CContactsCommandLine::Options() const {
    return {
        {s_strImport, QStringLiteral("FILE"),
         QStringLiteral("add the addresses of a CSV (.csv, .txt) or vCard (.vcf) file"), true},
        {s_strTemplate, QStringLiteral("NAME"),
         QStringLiteral("the template of the new records (a .txt file of this folder), with "
                        "--update of the updated ones too"),
         false},
        {s_strUpdate, QString(),
         QStringLiteral("also update addresses stored already (else they are skipped)"), false},
        {s_strColumns, QStringLiteral("LIST"),
         QStringLiteral("the fields a CSV file's columns hold, in their order, for a file "
                        "without a header line: EMail,Name,,MY_1 (an empty name leaves a column "
                        "out)"),
         false},
        {s_strExport, QStringLiteral("FILE"),
         QStringLiteral("write all records as CSV (.csv, .txt) or vCard 3.0 (.vcf)"), true},
    };
}

QStringList CContactsCommandLine::Synopsis() const {
    return {QStringLiteral("--import FILE [--template NAME] [--update] [--columns LIST]"),
            QStringLiteral("--export FILE")};
}

QString CContactsCommandLine::Notes() const {
    return QStringLiteral(
        "Import and export work on Addresses.mdb of the current folder, or on the\n"
        "team's database that the settings name. The import prints what it added,\n"
        "updated, skipped and refused; the exit status is 0 when something was\n"
        "imported or exported, 1 when nothing could be done.");
}

int CContactsCommandLine::Run(const CCommandLineArguments& arguments) {
    const bool bImport = arguments.Has(s_strImport);
    if (bImport == arguments.Has(s_strExport) ||
        (!bImport && (arguments.Has(s_strUpdate) || arguments.Has(s_strTemplate) ||
                      arguments.Has(s_strColumns))))
        throw CCommandLineError(QStringLiteral("Give either --import FILE or --export FILE."));
    if (!bImport)
        return Guarded([&] { return Export(arguments.Value(s_strExport)); });
    const QString strFile = arguments.Value(s_strImport);
    const QStringList columns = arguments.Has(s_strColumns)
                                    ? Columns(arguments.Value(s_strColumns), strFile)
                                    : QStringList();
    return Guarded([&] {
        return Import(strFile, arguments.Value(s_strTemplate), arguments.Has(s_strUpdate), columns);
    });
}

// The names of --columns: fields of a record, or empty for a column left out.
QStringList CContactsCommandLine::Columns(const QString& strList, const QString& strFile) {
    if (CContactSource::IsVCardPath(strFile))
        throw CCommandLineError(
            QStringLiteral("--columns is for CSV files; a vCard names its properties itself."));
    const QStringList& fields = CContactMapping::Fields();
    QStringList columns;
    for (const QString& strName : strList.split(u',')) {
        const QString strColumn = strName.trimmed();
        const auto known =
            std::find_if(fields.cbegin(), fields.cend(), [&strColumn](const QString& strField) {
                return strField.compare(strColumn, Qt::CaseInsensitive) == 0;
            });
        if (!strColumn.isEmpty() && known == fields.cend())
            throw CCommandLineError(
                QStringLiteral("--columns names \"%1\", which is no field. The fields are: %2.")
                    .arg(strColumn, fields.join(QStringLiteral(", "))));
        columns.append(strColumn.isEmpty() ? QString() : *known);
    }
    return columns;
}

int CContactsCommandLine::Import(const QString& strFile, const QString& strTemplate, bool bUpdate,
                                 const QStringList& columns) {
    if (!strTemplate.isEmpty() && (!CContactImport::TemplateProblem(strTemplate).isEmpty() ||
                                   !QFileInfo(strTemplate).isFile()))
        throw CCommandLineError(
            QStringLiteral("The template \"%1\" is not a file of this folder.").arg(strTemplate));
    const std::unique_ptr<CContactSource> pSource = OpenSource(strFile, columns);
    CImportOptions options;
    options.mapping = columns.isEmpty() ? CContactMapping::ForHeaders(pSource->Headers())
                                        : CContactMapping::Recognise(pSource->Headers());
    if (!options.mapping.IsMapped(CContactMapping::FieldIndex(QStringLiteral("EMail"))))
        return Fail(CContactImport::NoAddressColumn() + u'\n' +
                    ColumnsHint(strFile, *pSource, options.mapping));
    CAddressDatabase db;
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    options.strTemplate = strTemplate;
    options.bUpdate = bUpdate;
    options.bTemplateForUpdated = bUpdate;
    const CImportSummary summary =
        CContactImport(db.m_pCDaoDatabase.get(), db.m_schema).Run(*pSource, options);
    PrintLine(stdout, summary.Text(kMaxListed));
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
    if (CAddressDatabase::ServerUrl().isEmpty() && !QFileInfo::exists(db.m_schema.m_strFile))
        return Fail(QStringLiteral("There is no %1 in this folder.").arg(db.m_schema.m_strFile));
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return 1;
    const int nWritten = CContactExport(db.m_pCDaoDatabase.get(), db.m_schema).Run(strFile);
    PrintLine(stdout, QStringLiteral("Exported: %1").arg(nWritten));
    return nWritten > 0 ? 0 : 1;
}
