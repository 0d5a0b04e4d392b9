#include "filelib/comments.h"

#include <gtest/gtest.h>
