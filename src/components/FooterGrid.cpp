#include "components/FooterGrid.h"
