#include "app/CCommandLineDispatch.h"
#include "app/CCorvaneApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The commands run without a window, so scripts and machines without a
    // desktop need no display.
    if (const int nExit = CCommandLineDispatch().Run(argc, argv);
        nExit != CCommandLineDispatch::kStartWindows)
        return nExit;
    QApplication application(argc, argv);
    CCorvaneApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return theApp.Run();
}
