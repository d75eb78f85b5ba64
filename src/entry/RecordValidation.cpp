#include "entry/RecordValidation.h"
