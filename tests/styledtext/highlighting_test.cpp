#include "styledtesting.h"

#include "styledtext/highlighting.h"
