#pragma once

#include <functional>

class CAddressDatabase;
class CMDIFrameWnd;
class CMultiDocTemplate;

// What a table window's view works with, handed to it when it is made: the
// store, the main window (its status bar, message text and watch timer), the
// kind of window a mail preview opens in, and the Find command that Ctrl+F
// runs. The application fills it once its main window is up; the views keep
// a copy, so it must stay valid as long as any view lives.
struct CViewContext {
    CAddressDatabase* m_pDb = nullptr;
    CMDIFrameWnd* m_pFrame = nullptr;
    CMultiDocTemplate* m_pTextTemplate = nullptr;
    std::function<void()> m_find;
};
