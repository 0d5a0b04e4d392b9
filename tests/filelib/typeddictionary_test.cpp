#include "filelib/typeddictionary.h"

#include <gtest/gtest.h>
