#include "numberednames.h"
