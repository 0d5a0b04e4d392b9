// Default paragraph styles and whole-text line heights.
#pragma once

#include "styledtext/attributedstring.h"
