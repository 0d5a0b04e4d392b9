#include "filelib/defaults.h"

#include <gtest/gtest.h>
