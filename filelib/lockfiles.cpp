#include "lockfiles.h"
