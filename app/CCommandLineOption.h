#pragma once

#include <QString>

// One option of the program's command line, as the command that knows it
// declares it.
struct CCommandLineOption {
    QString strName;  // with its dashes: "--import"
    QString strValue; // the name of the value that follows it ("FILE"); empty for a switch
    QString strHelp;  // what it does, in one line of the usage
    // An option that asks for its command on its own (--import); the others
    // only shape a command asked for (--update).
    bool bNamesCommand = false;
};
