#include "propertylist.h"
