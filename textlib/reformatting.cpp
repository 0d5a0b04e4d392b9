#include "reformatting.h"
