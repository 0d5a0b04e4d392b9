#include "styledtesting.h"

#include "styledtext/html.h"
