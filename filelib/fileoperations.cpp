#include "fileoperations.h"
