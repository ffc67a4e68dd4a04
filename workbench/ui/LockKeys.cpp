#include "LockKeys.h"

#include <QGuiApplication>

#ifdef VORNEL_HAS_X11
// After Qt's headers: Xlib defines macros (None, Bool, Status) that Qt's names would meet.
#include <X11/XKBlib.h>
#endif

SLockKeys QueryLockKeys() {
    SLockKeys keys;
#ifdef VORNEL_HAS_X11
    const auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay)
        return keys;
    // One named indicator; false when the server's keyboard has no such indicator.
    const auto read = [pDisplay](const char* szName, bool& bOn) {
        const Atom atom = XInternAtom(pDisplay, szName, True);
        Bool bState = False;
        if (atom == None || !XkbGetNamedIndicator(pDisplay, atom, nullptr, &bState, nullptr, nullptr))
            return false;
        bOn = bState != False;
        return true;
    };
    const bool bCaps = read("Caps Lock", keys.m_bCaps);
    const bool bNum = read("Num Lock", keys.m_bNum);
    const bool bScroll = read("Scroll Lock", keys.m_bScroll);
    keys.m_bKnown = bCaps && bNum && bScroll;
    if (!keys.m_bKnown)
        keys = SLockKeys{};
#endif
    return keys;
}
