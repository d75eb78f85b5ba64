#include "entry/Confirm.h"
