#include "filelib/temporaryfile.h"

#include <gtest/gtest.h>
