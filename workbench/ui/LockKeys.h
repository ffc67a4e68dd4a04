#pragma once
// The state of the keyboard's lock keys, for the status bar's indicator panes. Qt has no
// portable query: under X11 the X server's keyboard indicators "Caps Lock", "Num Lock" and
// "Scroll Lock" are read; on other platforms (offscreen, Wayland) the state is unknown.

struct SLockKeys {
    bool m_bKnown = false; // false: the platform cannot tell; the other members are false
    bool m_bCaps = false;
    bool m_bNum = false;
    bool m_bScroll = false;
};

// Reads the lock keys now (one round trip to the X server). Needs a QGuiApplication.
SLockKeys QueryLockKeys();
