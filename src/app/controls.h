// SPDX-License-Identifier: MIT
// Input and idle callbacks: keys and buttons change the viewer's rates and
// detail, regrow the landscape or quit; idle applies the rates.
#pragma once

void keyboard(unsigned char key, int x, int y);
void mouse(int button, int state, int x, int y);
void idle();
