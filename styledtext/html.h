// Reading HTML into styled text.
#pragma once

#include "styledtext/attributedstring.h"
