#include "temporaryfile.h"
