#include "styledtext/html.h"
