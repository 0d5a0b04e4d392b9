#include "words.h"
