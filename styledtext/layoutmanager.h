// Temporary display attributes over character ranges, kept beside the text.
#pragma once

#include "styledtext/attributedstring.h"
