#include "typeddictionary.h"
