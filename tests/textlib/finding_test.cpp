#include "textlib/finding.h"

#include <gtest/gtest.h>
