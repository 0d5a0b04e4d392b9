#include "textlib/construction.h"

#include <gtest/gtest.h>
