#include "app/CCorvaneApp.h"

#include "store/CAddressDatabase.h"

#include <QMainWindow>

CCorvaneApp::CCorvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Corvane"));
    setOrganizationName(QStringLiteral("Ostwick"));
}

CCorvaneApp::~CCorvaneApp() = default;

int CCorvaneApp::Run() {
    CAddressDatabase db;
    db.OpenOrCreate();
    QMainWindow window;
    window.setWindowTitle(applicationName());
    window.resize(800, 600);
    window.show();
    return exec();
}
