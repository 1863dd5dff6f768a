#include "platform/ui/OpenInBrowser.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace {

BrowserHandler& Handler() {
    static BrowserHandler handler;
    return handler;
}

// Without a display the desktop's opener would start no browser anyone sees.
bool HasDesktop() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

bool OpenInBrowser(const QUrl& url) {
    if (Handler())
        return Handler()(url);
    return HasDesktop() && QDesktopServices::openUrl(url);
}

BrowserHandler SetBrowserHandler(BrowserHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}
