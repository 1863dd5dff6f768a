#pragma once

#include <QDialog>

class QTextBrowser;

// The user guide: the help pages shipped with the program, in a window of its
// own beside the main window, with the usual Back, Forward and Contents.
class CHelpWindow : public QDialog {
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* pParent = nullptr);
    ~CHelpWindow() override;

    // Shows a page of the guide ("index.html", "mail.html#settings", ...)
    // and brings the window to the front.
    void ShowPage(const QString& strPage);
    QTextBrowser* GetBrowser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
};
