#include "entry/forms/RecEditForm.h"
