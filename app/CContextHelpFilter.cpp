#include "app/CContextHelpFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

CContextHelpFilter::CContextHelpFilter(std::function<void()> cancel,
                                       std::function<void(QWidget*)> choose, QObject* pParent)
    : QObject(pParent), m_cancel(std::move(cancel)), m_choose(std::move(choose)) {
    QCoreApplication::instance()->installEventFilter(this);
}

CContextHelpFilter::~CContextHelpFilter() {
    QCoreApplication::instance()->removeEventFilter(this);
}

// The callbacks may end context help and so schedule this object's deletion;
// nothing of it is used after they return.
bool CContextHelpFilter::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape) {
        m_cancel();
        return true;
    }
    if (pEvent->type() == QEvent::MouseButtonPress) {
        m_choose(qobject_cast<QWidget*>(pWatched));
        return true;
    }
    return QObject::eventFilter(pWatched, pEvent);
}
