#include "app/CContactsCommandLine.h"
#include "app/CCopyCommandLine.h"
#include "app/CCorvaneApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Import, export, copies and help run without a window, so scripts need no display.
    if (const int nExit = CCopyCommandLine::Run(argc, argv);
        nExit != CCopyCommandLine::kNotACommand)
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
