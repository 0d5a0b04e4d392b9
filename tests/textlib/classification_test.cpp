#include "textlib/classification.h"

#include <gtest/gtest.h>
