#include "filelib/paths.h"

#include <gtest/gtest.h>
