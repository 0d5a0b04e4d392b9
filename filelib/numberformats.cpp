#include "numberformats.h"
