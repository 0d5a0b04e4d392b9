// Editing styled text: links, attachments, inserts, run-by-run attributes, case, replacing, trimming.
#pragma once

#include "styledtext/attributedstring.h"
