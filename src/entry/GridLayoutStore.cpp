#include "entry/GridLayoutStore.h"
