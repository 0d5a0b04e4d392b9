// Search primitives: the next query term or wildcard hit in a range of units.
#pragma once

#include "styledtext/attributedstring.h"
