#include "entry/RecordImport.h"
