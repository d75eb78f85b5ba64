#pragma once

#include <QString>

// The wait panel seam: a small always-on-top panel with a message, shown
// before a long operation and closed after it. The GUI installs a handler
// that shows the panel (and lets it paint before returning); without one
// nothing is shown. There is at most one panel: Show while it is shown
// changes its message.
class TWaitPanel {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void Show(const QString &message) = 0;
        virtual void Close() = 0;
    };

    static void Show(const QString &message);
    static void Close();
    // True between Show and Close.
    static bool Shown();

    // Installs the handler (not owned); nullptr removes it.
    static void SetHandler(Handler *handler);
};
