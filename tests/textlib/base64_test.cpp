#include "textlib/base64.h"

#include <gtest/gtest.h>
