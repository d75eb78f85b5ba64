#include "WindowsVersion.h"

bool IsWindowsXP() { return false; }
