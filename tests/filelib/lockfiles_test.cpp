#include "filelib/lockfiles.h"

#include <gtest/gtest.h>
