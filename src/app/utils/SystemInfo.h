#pragma once

#include <QRect>

// Small geometry helpers. The desktop work area needs the window system and
// comes from the GUI layer.
class TSystemInfo {
public:
    // Right minus left, bottom minus top (Windows-style exclusive edges).
    static int RectWidth(const QRect &rect) { return rect.right() + 1 - rect.left(); }
    static int RectHeight(const QRect &rect) { return rect.bottom() + 1 - rect.top(); }
    static int MaxOf(int a, int b) { return a > b ? a : b; }
    static int MinOf(int a, int b) { return a < b ? a : b; }
};
