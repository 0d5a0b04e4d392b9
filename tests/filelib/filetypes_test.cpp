#include "filelib/filetypes.h"

#include <gtest/gtest.h>
