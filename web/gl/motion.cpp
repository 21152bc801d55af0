// SPDX-License-Identifier: MIT
// The page's "Stop motion", asked of the program: its turning and tilting
// read from the viewer's state and steered by its own keys ("a" and "d"
// turn, "w" and "s" tilt) through its keyboard callback, so that the
// controls stay the only writers of that state. Pressed again, it gives back
// the last turning and tilting the landscape moved at.
#include "viewer_state.h"

extern "C" void vendrask_key(int character);  // glut.cpp: a key, to the program

namespace {

float moving_heading_rate = 0.0f;  // degrees per idle call: the last rates seen moving it
float moving_tilt_rate = 0.0f;
bool seen_moving = false;

// Presses `less` or `more` until `rate` reaches `target`, or until a press
// changes it no more (the viewer has halted).
void steer_to(const float& rate, float target, char less, char more)
{
    const bool down = rate > target;
    for (float before = target; (down ? rate > target : rate < target) && rate != before;) {
        before = rate;
        vendrask_key(down ? less : more);
    }
}

}  // namespace

extern "C" {

// Whether the landscape is still; the rates that move it are kept.
bool vendrask_still()
{
    const bool still = viewer.heading_rate == 0.0f && viewer.tilt_rate == 0.0f;
    if (!still) {
        moving_heading_rate = viewer.heading_rate;
        moving_tilt_rate = viewer.tilt_rate;
        seen_moving = true;
    }
    return still;
}

// Stops the landscape, or, still, moves it as it last moved; whether it is
// still after.
bool vendrask_stop_motion()
{
    const bool stop = !vendrask_still();
    if (stop || seen_moving) {
        steer_to(viewer.heading_rate, stop ? 0.0f : moving_heading_rate, 'a', 'd');
        steer_to(viewer.tilt_rate, stop ? 0.0f : moving_tilt_rate, 's', 'w');
    }
    return vendrask_still();
}

}  // extern "C"
