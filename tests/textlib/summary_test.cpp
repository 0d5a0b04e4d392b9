#include "textlib/summary.h"

#include <gtest/gtest.h>
