#include "filelib/links.h"

#include <gtest/gtest.h>
