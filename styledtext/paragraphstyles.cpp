#include "styledtext/paragraphstyles.h"
