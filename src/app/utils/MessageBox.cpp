#include "MessageBox.h"

#include "Utils.h"
#include "WaitPanel.h"

#include <cstdio>

namespace {
TMessageBox::Handler *g_handler = nullptr;
QString g_title;
} // namespace

int TMessageBox::DefaultButton(int flags)
{
    const int buttons = flags & 0x0F;
    const int defaultIndex = (flags & 0x300) >> 8; // 0: first, 1: second, 2: third
    switch (buttons) {
    case 1: return defaultIndex == 1 ? IdCancel : IdOk;               // OK, Cancel
    case 3: return defaultIndex == 1 ? IdNo : defaultIndex == 2 ? IdCancel : IdYes; // Yes, No, Cancel
    case 4: return defaultIndex == 1 ? IdNo : IdYes;                   // Yes, No
    default: return IdOk;
    }
}

int TMessageBox::Show(const QString &text, int flags)
{
    return ShowCaption(text, g_title, flags);
}

int TMessageBox::ShowCaption(const QString &text, const QString &caption, int flags)
{
    // The wait panel stays on top of everything: it goes before a message
    // can be read (the long work goes on without it).
    TWaitPanel::Close();
    if (g_handler) {
        try {
            return g_handler->Ask(caption, text, flags);
        } catch (...) {
            return DefaultButton(flags); // a message box never raises
        }
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return DefaultButton(flags);
}

int TMessageBox::ShowFmt(const QString &format, const QVariantList &args, int flags)
{
    return Show(FormatText(format, args), flags);
}

void TMessageBox::SetHandler(Handler *handler) { g_handler = handler; }

QString TMessageBox::ApplicationTitle() { return g_title; }

void TMessageBox::SetApplicationTitle(const QString &title) { g_title = title; }
