#pragma once

#include "app/CCommandLineOption.h"

#include <QList>
#include <QString>
#include <QStringList>

class CCommandLineArguments;

// A command the program runs from its command line, without a window, for
// scripts and scheduled jobs. Each command declares the options it knows;
// the dispatch (CCommandLineDispatch) parses the command line with the
// options of all commands and hands a command the options that ask for it.
class CCommandLine {
public:
    virtual ~CCommandLine() = default;

    // The options this command knows, in the order the usage lists them.
    virtual QList<CCommandLineOption> Options() const = 0;
    // The command's forms for the usage's first lines ("--export FILE").
    virtual QStringList Synopsis() const = 0;
    // What the usage says below the options: what the command prints and
    // what its exit status means.
    virtual QString Notes() const = 0;
    // Runs the command and returns the program's exit status. The arguments
    // hold only options this command declares. Throws CCommandLineError when
    // they do not go together. A CDaoException, the store refusing, ends the
    // command: the dispatch prints its description, and the exit status is 1.
    virtual int Run(const CCommandLineArguments& arguments) = 0;
};
