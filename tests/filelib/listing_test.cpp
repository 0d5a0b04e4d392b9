#include "filelib/listing.h"

#include <gtest/gtest.h>
