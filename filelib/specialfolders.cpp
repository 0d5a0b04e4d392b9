#include "specialfolders.h"
