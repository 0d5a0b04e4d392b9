// Turning hard-wrapped styled text back into paragraphs.
#pragma once

#include "styledtext/attributedstring.h"
