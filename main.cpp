#include "app/CContactsCommandLine.h"
#include "app/CCorvaneApp.h"
#include "app/CSendCommandLine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Sending, import, export and help run without a window, so scripts need
    // no display.
    if (const int nExit = CSendCommandLine::Run(argc, argv);
        nExit != CSendCommandLine::kNotACommand)
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
