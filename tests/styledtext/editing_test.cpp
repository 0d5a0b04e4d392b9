#include "styledtesting.h"

#include "styledtext/editing.h"
