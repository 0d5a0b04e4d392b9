#include "styledtext/reformatting.h"
