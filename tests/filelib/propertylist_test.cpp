#include "filelib/propertylist.h"

#include <gtest/gtest.h>
