#pragma once

#include <QStringList>
#include <memory>

class CContactMapping;
class CContactSource;

// The program's command line for scripts and backups, run before any window
// is made: --import FILE [--template NAME] [--update] [--columns LIST],
// --export FILE and --help, on Addresses.mdb of the current folder. It prints
// the summary and exits non-zero when nothing could be done.
class CContactsCommandLine {
public:
    static constexpr int kNotACommand = -1;
    static constexpr int kUsageError = 2;

    // The exit code, or kNotACommand when the arguments ask for none of the
    // three (the program then starts its windows).
    static int Run(int argc, char* argv[]);

    static QString Usage();

private:
    static int Dispatch(const QStringList& arguments);
    static bool Columns(const QString& strList, const QString& strFile, QStringList* pColumns);
    static int Import(const QString& strFile, const QString& strTemplate, bool bUpdate,
                      const QStringList& columns);
    static std::unique_ptr<CContactSource> OpenSource(const QString& strFile, const QStringList& columns);
    static QString ColumnsHint(const QString& strFile, CContactSource& source,
                               const CContactMapping& mapping);
    static int Export(const QString& strFile);
};
