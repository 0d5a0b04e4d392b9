#include "filelib/pasteboardsupport.h"

#include <gtest/gtest.h>
