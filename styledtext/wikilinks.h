// Wiki-style link addresses and their page names.
#pragma once

#include "styledtext/attributedstring.h"
