#include "entry/CsvReader.h"
