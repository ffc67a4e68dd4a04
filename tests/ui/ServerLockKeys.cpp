#include "ServerLockKeys.h"

#include <QGuiApplication>

// After Qt's headers: Xlib's macros would meet Qt's names.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

bool SetServerLockKeys(bool bCaps, bool bNum) {
    const auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay)
        return false;
    const unsigned nNumMask = XkbKeysymToModifiers(pDisplay, XK_Num_Lock);
    if (nNumMask == 0)
        return false;
    const unsigned nMask = LockMask | nNumMask;
    const unsigned nValues = (bCaps ? LockMask : 0u) | (bNum ? nNumMask : 0u);
    const bool bDone = XkbLockModifiers(pDisplay, XkbUseCoreKbd, nMask, nValues) != False;
    XSync(pDisplay, False);
    return bDone;
}
