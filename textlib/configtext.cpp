#include "configtext.h"
