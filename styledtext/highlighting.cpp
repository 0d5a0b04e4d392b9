#include "styledtext/highlighting.h"
