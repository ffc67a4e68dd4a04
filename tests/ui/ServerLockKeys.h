#pragma once
// Sets the X server's Caps Lock and Num Lock as a user's key presses would, so that a
// test under a virtual X server can watch the window show them. False when the platform
// is not X11 or the server's keyboard has no Num Lock modifier.
bool SetServerLockKeys(bool bCaps, bool bNum);
