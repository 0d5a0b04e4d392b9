// Marking search hits, wildcard hits, mashed words and link names.
#pragma once

#include "styledtext/attributedstring.h"
