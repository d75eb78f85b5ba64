#include "entry/forms/ConfirmForm.h"
