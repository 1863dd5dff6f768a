#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Context help's watch over the whole application while it waits for the
// click that names the object to explain: Esc cancels, a mouse press chooses
// the widget under it. Both are swallowed. It is an object of its own that
// lives only as long as context help: the frame's own application-wide
// filter stays in place when context help ends, and no event reaches the
// frame's code before the frame is fully built.
class CContextHelpFilter : public QObject {
    Q_OBJECT

public:
    // Installs itself on the application; removed again when destroyed.
    CContextHelpFilter(std::function<void()> cancel, std::function<void(QWidget*)> choose,
                       QObject* pParent);
    ~CContextHelpFilter() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    std::function<void()> m_cancel;
    std::function<void(QWidget*)> m_choose;
};
