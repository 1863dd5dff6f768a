#pragma once

#include <QIcon>
#include <QString>

// The program's title, and its pictures and help pages (compiled in as Qt
// resources).
class CResources {
public:
    // Icon nIDResource (128 main frame, 129 text windows, 500 table windows).
    static QIcon Icon(unsigned nIDResource);
    // A picture of the resources (":/res/toolbar/find.png") as an icon.
    static QIcon Picture(const QString& strPath);
    // The URL of a help page, e.g. HelpPage("index.html").
    static QString HelpPage(const QString& strPage);
    // Makes sure the resources are registered (the library is static).
    static void Load();
    // The program's name as the user sees it: the application's name and
    // the caption of its message boxes.
    static const QString& AppTitle();
};
