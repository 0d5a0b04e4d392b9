#include "styledtesting.h"

#include "styledtext/paragraphstyles.h"
