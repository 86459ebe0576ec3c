// test.h - the presentation's shared state and the frame steps that draw
// into the screen buffer. Everything here belongs to the frame-loop thread.
#pragma once

#include <cstdint>

#include "ctimer.h"
#include "lista.h"
#include "loadpng.h"

const int SCREEN_WIDTH = 320;
const int SCREEN_HEIGHT = 240;
const int PALETTE_SIZE = 240;

extern uint32_t pixel[SCREEN_WIDTH * SCREEN_HEIGHT];
extern bool running;
extern Picture *currentPicture;
extern Lista<Picture *> pictures;
extern CTimer frameTimer;
extern float crossfadeLevel;
extern const float crossfadeSpeed;

void Put(int x, int y, int color);
