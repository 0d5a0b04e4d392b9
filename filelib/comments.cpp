#include "comments.h"
