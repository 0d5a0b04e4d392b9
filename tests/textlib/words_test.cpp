#include "textlib/words.h"

#include <gtest/gtest.h>
