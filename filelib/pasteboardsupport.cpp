#include "pasteboardsupport.h"
