#include "classification.h"
