#include "filelib/archives.h"

#include <gtest/gtest.h>
