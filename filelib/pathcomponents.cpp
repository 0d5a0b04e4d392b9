#include "pathcomponents.h"
