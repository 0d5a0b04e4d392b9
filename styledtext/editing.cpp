#include "styledtext/editing.h"
