#pragma once

#include <QString>
#include <functional>

class QWidget;

// Message-box types and answers, with the Win32 values.
enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_YESNO = 0x0004,
    MB_RETRYCANCEL = 0x0005
};
enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

// One request for a message box, as a replaced handler sees it.
struct MessageBoxCall {
    enum Kind { Application, System, Window };
    Kind kind;
    QWidget* pOwner;
    QString strText;
    QString strCaption;
    unsigned nType;
};

using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;

// The application's box: caption "Corvane", owned by the main window.
int AfxMessageBox(const QString& strText, unsigned nType = MB_OK);
// A plain system box: no owner, the caption given (callers pass an empty one).
int MessageBoxA(QWidget* pOwner, const QString& strText, const QString& strCaption, unsigned nType);
// A window's own box: owned by that window, empty caption.
int WindowMessageBox(QWidget* pOwner, const QString& strText, unsigned nType = MB_OK);

// Replaces the real boxes (tests record the texts and script the answers).
// An empty handler restores the real boxes. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
