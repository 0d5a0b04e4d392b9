#include "filelib/numberformats.h"

#include <gtest/gtest.h>
