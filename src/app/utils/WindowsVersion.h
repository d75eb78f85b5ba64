#pragma once

// True only on the Windows versions whose print style sheets differ (XP and
// Server 2003). Always false here, which selects the "98" style sheets.
bool IsWindowsXP();
