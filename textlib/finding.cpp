#include "finding.h"
