#pragma once

// Kept for the view tests that include it by this path.
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"
