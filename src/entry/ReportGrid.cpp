#include "entry/ReportGrid.h"
