#include "trimming.h"
