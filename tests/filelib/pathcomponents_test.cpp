#include "filelib/pathcomponents.h"

#include <gtest/gtest.h>
