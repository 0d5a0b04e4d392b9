#include "internetlocations.h"
