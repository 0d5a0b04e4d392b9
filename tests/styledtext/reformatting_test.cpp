#include "styledtesting.h"

#include "styledtext/reformatting.h"
