#include "Shots.h"

QList<TShot> EnterpriseShots() { return {}; }
