#include "textlib/trimming.h"

#include <gtest/gtest.h>
