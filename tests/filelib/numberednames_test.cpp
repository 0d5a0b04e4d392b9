#include "filelib/numberednames.h"

#include <gtest/gtest.h>
