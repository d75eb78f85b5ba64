#include "WaitPanel.h"

namespace {
TWaitPanel::Handler *g_handler = nullptr;
bool g_shown = false;
} // namespace

void TWaitPanel::Show(const QString &message)
{
    g_shown = true;
    if (g_handler)
        g_handler->Show(message);
}

void TWaitPanel::Close()
{
    if (!g_shown)
        return;
    g_shown = false;
    if (g_handler)
        g_handler->Close();
}

bool TWaitPanel::Shown() { return g_shown; }

void TWaitPanel::SetHandler(Handler *handler) { g_handler = handler; }
