#include "archives.h"
