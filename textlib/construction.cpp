#include "construction.h"
