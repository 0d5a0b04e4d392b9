#include "filelib/internetlocations.h"

#include <gtest/gtest.h>
