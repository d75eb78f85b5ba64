#pragma once

class QMenu;

// Rebuilds target from the visible items of source: caption, enabled state,
// default item, icon, check mark and sub-menus, each item triggering its
// source item. Hidden items are left out with their sub-items. target is
// cleared first, so mirroring twice gives the same items.
void MirrorMenu(const QMenu *source, QMenu *target);
