#include "WindowsVersion.h"

bool IsWindowsXP() { return false; }
void ApplyBrowserPrintSetting() {}
