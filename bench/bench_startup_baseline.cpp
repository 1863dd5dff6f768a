// The yardstick for start-up: the least a Qt Widgets program does before it
// is shown and idle, a main window with a menu bar. It quits from a zero
// timer after the first show, as Corvane does under CORVANE_EXIT_WHEN_IDLE.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    window.resize(900, 640);
    window.show();
    QTimer::singleShot(0, &window, &QCoreApplication::quit);
    return application.exec();
}
