#include "styledtext/layoutmanager.h"
