#pragma once

#include "workspace/TreeIcons.h"

#include <QIcon>
#include <QList>

// The images of the client, painted in code so that they stay sharp at any
// size and screen scale. Every icon holds images from 16 to 128 pixels.

// The commands that carry an icon on a tool bar or menu.
enum class TCommandIcon : int {
    NewUnit,
    DeleteUnit,
    NewReport,
    DeleteReport,
    Declare,
    Undeclare,
    Print,
    Find,
    // record navigation of the report grid
    First,
    Prior,
    Next,
    Last,
    Append,
    Delete,
    Edit,
    Post,
    Cancel,
    Refresh,
};

// Every command icon, in the order of the enumeration.
QList<TCommandIcon> AllCommandIcons();

// The image of a navigation-tree node. The schema icon shows an open folder
// in QIcon::Selected mode.
QIcon TreeIcon(TTreeIcon role);

// The image of a command.
QIcon CommandIcon(TCommandIcon command);

// The programs' own icon (windows, About box).
QIcon AppIcon();

// The image of the wait panel.
QIcon WaitIcon();
