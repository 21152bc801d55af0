// SPDX-License-Identifier: MIT
// The process's one viewer, at its starting values.
#include "viewer_state.h"

ViewerState viewer{};
