#pragma once

// True only on the Windows versions whose print style sheets differ (XP and
// Server 2003). Always false here, which selects the "98" style sheets.
bool IsWindowsXP();

// The browser's print-background setting and the script engine's
// registration made at every start of the client. Printing here renders
// its own pages and the engine is built in, so there is nothing to set;
// start-up still calls it at its place in the order.
void ApplyBrowserPrintSetting();
