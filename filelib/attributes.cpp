#include "attributes.h"
