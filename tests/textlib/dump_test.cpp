#include "textlib/dump.h"

#include <gtest/gtest.h>
