#include "filetypes.h"
