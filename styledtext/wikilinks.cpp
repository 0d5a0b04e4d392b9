#include "styledtext/wikilinks.h"
