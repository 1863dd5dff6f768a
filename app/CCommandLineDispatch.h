#pragma once

#include "app/CCommandLine.h"

#include <memory>
#include <vector>

class CCommandLineArguments;

// The program's command line, read before any window is made. No options
// (file names are taken and ignored, as ever) start the windows; --help
// prints the usage; options that ask for a command run it without a window.
// Anything else, an unknown option or a known one used wrongly, prints what
// was wrong and the usage to the error output and ends with status 2, so a
// typing error never opens a window a script cannot close. Qt's own options
// (-platform, -display, -style ...) pass through to Qt.
class CCommandLineDispatch {
public:
    static constexpr int kStartWindows = -1;
    static constexpr int kUsageError = 2;

    // With the program's commands.
    CCommandLineDispatch();
    explicit CCommandLineDispatch(std::vector<std::unique_ptr<CCommandLine>> commands);
    ~CCommandLineDispatch();
    CCommandLineDispatch(const CCommandLineDispatch&) = delete;
    CCommandLineDispatch& operator=(const CCommandLineDispatch&) = delete;

    // The exit status, or kStartWindows when the program is to open its
    // windows. argc and argv are handed on to the command's application.
    int Run(int argc, char* argv[]);

    QString Usage() const;
    // Every option the program knows: the commands', then --help.
    QList<CCommandLineOption> Options() const;

private:
    // An option and the command that declares it (none for --help).
    struct KnownOption {
        CCommandLineOption option;
        CCommandLine* pCommand;
    };

    // The options among arguments; *pFileNames tells whether other
    // arguments came too. Throws CCommandLineError.
    CCommandLineArguments Parse(const QStringList& arguments, bool* pFileNames) const;
    // The option of that name; null when no command knows it.
    const CCommandLineOption* Find(const QString& strName) const;
    // The one command the options ask for. Throws CCommandLineError.
    CCommandLine* CommandFor(const CCommandLineArguments& arguments) const;
    // The commands' forms (as the usage writes them) that take strName.
    QStringList FormsWith(const QString& strName) const;
    bool Declares(const CCommandLine* pCommand, const QString& strName) const;

    std::vector<std::unique_ptr<CCommandLine>> m_commands;
    QList<KnownOption> m_known;
};
