#include "filelib/fileoperations.h"

#include <gtest/gtest.h>
