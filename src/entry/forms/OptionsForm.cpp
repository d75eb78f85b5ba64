#include "entry/forms/OptionsForm.h"
