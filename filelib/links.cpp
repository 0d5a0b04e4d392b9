#include "links.h"
