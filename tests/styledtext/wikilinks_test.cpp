#include "styledtesting.h"

#include "styledtext/wikilinks.h"
