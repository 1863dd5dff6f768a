#include "app/CCorvaneApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CCorvaneApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return theApp.Run();
}
