#include "dump.h"
