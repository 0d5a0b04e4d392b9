#include "styledtesting.h"

#include "styledtext/layoutmanager.h"
