#include "defaults.h"
