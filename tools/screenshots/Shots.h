#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

// What a shot may read: the workspace is already the application directory
// and the application title is set from its configuration.
struct TShotContext {
    QString collectionType; // "CJLX" of the workspace
    QString firstUnitName;  // NSRMC of the first unit, or empty
};

// One picture: its file name without ".png" and the function building the
// widget to grab. The runner shows the widget, lets it lay out and paint,
// grabs it and destroys it.
struct TShot {
    QString name;
    std::function<std::unique_ptr<QWidget>(const TShotContext &)> build;
};

// The dialogs, the wait panel, the About box and the icon sheet.
QList<TShot> DialogShots();
// The main window with a report open (logs in with the initial password;
// opening a report writes it back, so give the tool a copy of a workspace).
QList<TShot> MainWindowShots();
// The enterprise list's editor and picker.
QList<TShot> EnterpriseShots();
// The record editor, the options and the double-entry confirmation.
QList<TShot> EntryShots();
// The export dialog of the declare command, in both modes.
QList<TShot> ExportShots();
// The checker after a check run, its detail view and the details dialog.
QList<TShot> CheckerShots();
