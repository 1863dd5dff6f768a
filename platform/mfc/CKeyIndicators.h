#pragma once

// The lock keys' lights as the X keyboard extension reports them. Without an
// X display (offscreen, Wayland without XWayland) every light reads off.
struct CKeyIndicators {
    bool bCapsLock = false;
    bool bNumLock = false;
    bool bScrollLock = false;

    static CKeyIndicators Read();
};
