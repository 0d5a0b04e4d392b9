#include "addresses.h"
