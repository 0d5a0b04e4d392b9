#include "filelib/specialfolders.h"

#include <gtest/gtest.h>
