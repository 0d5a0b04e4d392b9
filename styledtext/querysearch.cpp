#include "styledtext/querysearch.h"
