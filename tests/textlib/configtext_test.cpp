#include "textlib/configtext.h"

#include <gtest/gtest.h>
