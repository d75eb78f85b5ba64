#include "Shots.h"

QList<TShot> EntryShots() { return {}; }
