#include "textlib/reformatting.h"

#include <gtest/gtest.h>
