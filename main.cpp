#include "app/CContactsCommandLine.h"
#include "app/CCorvaneApp.h"
#include "app/CSignInCommandLine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Import, export, help and the sign-in run without a window, so scripts
    // and machines without a desktop need no display.
    if (const int nExit = CSignInCommandLine::Run(argc, argv);
        nExit != CSignInCommandLine::kNotACommand)
        return nExit;
    if (const int nExit = CContactsCommandLine::Run(argc, argv);
        nExit != CContactsCommandLine::kNotACommand)
        return nExit;
    QApplication application(argc, argv);
    CCorvaneApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return theApp.Run();
}
