// Moving text, rich text, images, addresses and index lists through pasteboards.
#pragma once

#include <QString>

namespace filelib {} // namespace filelib
