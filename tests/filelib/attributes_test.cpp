#include "filelib/attributes.h"

#include <gtest/gtest.h>
