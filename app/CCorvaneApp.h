#pragma once

#include <QApplication>

class CAddressDatabase;

// The application object. Until the main window arrives it opens the store in
// the working folder and shows a plain window.
class CCorvaneApp : public QApplication {
    Q_OBJECT

public:
    CCorvaneApp(int& argc, char** argv);
    ~CCorvaneApp() override;
    int Run();
};
