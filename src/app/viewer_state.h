// SPDX-License-Identifier: MIT
// The camera and its motion: one record that the controls change and the
// renderer reads.
#pragma once

constexpr int finest_detail = 0;    // detail level of a mesh step of 1 grid unit
constexpr int coarsest_detail = 9;  // detail level of a mesh step of 512: one strip

struct ViewerState {
    float tilt = 45.0f;         // degrees, within one turn; 90 looks straight down, 0 along the ground
    float heading = 45.0f;      // degrees about the landscape's vertical axis, within one turn
    float eye_height = 0.25f;   // scene units the landscape is pushed down
    float distance = 2.0f;      // scene units from the eye to the landscape's centre
    float heading_rate = 1.0f;  // degrees per idle call
    float tilt_rate = 0.0f;     // degrees per idle call
    float zoom_rate = 0.0f;     // scene units per idle call
    int detail_level = 2;       // mesh step is 2^level grid units, finest_detail to coarsest_detail

    bool operator==(const ViewerState&) const = default;
};

extern ViewerState viewer;  // the one viewer of the process
