#include "platform/mfc/CKeyIndicators.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

namespace {

bool IsIndicatorOn(Display* pDisplay, const char* pszName) {
    const Atom atom = XInternAtom(pDisplay, pszName, True);
    Bool bOn = False;
    return atom != None && XkbGetNamedIndicator(pDisplay, atom, nullptr, &bOn, nullptr, nullptr) &&
           bOn;
}

} // namespace

CKeyIndicators CKeyIndicators::Read() {
    CKeyIndicators indicators;
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (pDisplay == nullptr)
        return indicators;
    indicators.bCapsLock = IsIndicatorOn(pDisplay, "Caps Lock");
    indicators.bNumLock = IsIndicatorOn(pDisplay, "Num Lock");
    indicators.bScrollLock = IsIndicatorOn(pDisplay, "Scroll Lock");
    return indicators;
}
