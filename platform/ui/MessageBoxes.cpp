#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <utility>

namespace {

constexpr unsigned kTypeMask = 0x000F;

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

// The window the application's boxes belong to: the active one (which may
// be a dialog), else the main window, else none.
QWidget* ApplicationOwner() {
    if (QWidget* pActive = QApplication::activeWindow())
        return pActive;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(pWidget) && pWidget->isVisible())
            return pWidget;
    }
    return nullptr;
}

QMessageBox::StandardButtons ButtonsFor(unsigned nType) {
    switch (nType & kTypeMask) {
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int AnswerOf(int nButton) {
    switch (nButton) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Retry:
        return IDRETRY;
    default:
        return IDOK;
    }
}

// The application's boxes warn when they only inform and ask when they ask;
// the plain boxes show no icon.
QMessageBox::Icon IconFor(const MessageBoxCall& call) {
    if (call.kind != MessageBoxCall::Application)
        return QMessageBox::NoIcon;
    return (call.nType & kTypeMask) == MB_YESNO ? QMessageBox::Question : QMessageBox::Warning;
}

int RunRealBox(const MessageBoxCall& call) {
    QMessageBox box(IconFor(call), call.strCaption, call.strText, ButtonsFor(call.nType),
                    call.pOwner);
    box.setObjectName(QStringLiteral("messageBox"));
    return AnswerOf(box.exec());
}

int Show(const MessageBoxCall& call) {
    if (Handler())
        return Handler()(call);
    return RunRealBox(call);
}

} // namespace

int AfxMessageBox(const QString& strText, unsigned nType) {
    return Show(
        {MessageBoxCall::Application, ApplicationOwner(), strText,
         QCoreApplication::applicationName(), nType});
}

int MessageBoxA(QWidget* pOwner, const QString& strText, const QString& strCaption,
                unsigned nType) {
    return Show({MessageBoxCall::System, pOwner, strText, strCaption, nType});
}

int WindowMessageBox(QWidget* pOwner, const QString& strText, unsigned nType) {
    return Show({MessageBoxCall::Window, pOwner, strText, QString(), nType});
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}
