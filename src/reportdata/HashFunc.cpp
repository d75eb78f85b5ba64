#include "reportdata/HashFunc.h"
// Implementation in progress.
