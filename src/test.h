// test.h - the presentation's shared state and the frame steps that draw
// into the screen buffer. Everything here belongs to the frame-loop thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ctimer.h"
#include "lista.h"
#include "loadpng.h"

const int SCREEN_WIDTH = 320;
const int SCREEN_HEIGHT = 240;
const int PALETTE_SIZE = 240;

// The list of the pictures, in the show's folder.
const char listFile[] = "pics.dat";

extern uint32_t pixel[SCREEN_WIDTH * SCREEN_HEIGHT];
extern bool running;
extern Picture *currentPicture;
extern Lista<Picture *> pictures;
extern CTimer frameTimer;
extern float crossfadeLevel;
extern const float crossfadeSpeed;

// The background state that the frame loop keeps from frame to frame.
extern uint32_t palette[PALETTE_SIZE];
extern int paletteStep;

void Put(int x, int y, int color);

// The next number of the runtime's rand sequence, the one a program that
// never seeds it draws, without calling rand; every random choice of the
// effects comes from here.
int NextRandom();
// Starts the sequence over as srand(seed) starts the runtime's.
void SeedRandom(unsigned seed);

// Fills `colors` with the background's 240 band colours.
void BuildPalette(uint32_t *colors);
// Redraws every pixel: one base colour per row, chosen by `step`, with
// per-pixel noise, at full opacity.
void DrawBackground(const uint32_t *colors, int step);
// The background step for the next frame.
int UpdatePaletteStep(int step);
// With one chance in ten, turns the whole buffer white.
void Flash();
// Blends the picture, centred, over the buffer.
void DrawPicture(const Picture &picture);
// Blends the picture at the cursor of `list` over the buffer at the current
// crossfade level, raises the level by `delta` seconds' worth and, once it
// passes 255, makes that picture current. True when no picture is left to
// fade to: the presentation has ended and this frame is not to be shown.
bool CrossfadeStep(Lista<Picture *> &list, double delta);

// Draws one frame into `pixel`: background, step, flash, timer, picture,
// crossfade. False when the crossfade ended the presentation.
bool DrawFrame();
// Applies the music's pending sync commands, then draws the next frame.
// False when the presentation has ended; the frame is then not drawn.
bool NextFrame();

int CountPictures(const Lista<Picture *> &list);

// Puts the show where `changes` Z00s from its start have put it: picture
// `changes` current (counting from 0), the next one following, no
// crossfade under way. False, the show left as it was, when so many
// changes have ended it.
bool ShowAfterSyncs(int changes);

// The picture file names that a list file names, in order. 1 on success;
// 0 with a line on stderr, or in `failure`, when the file cannot be opened
// or read.
int ReadPictureList(const char *fileName, std::vector<std::string> &names);
int ReadPictureList(const char *fileName, std::vector<std::string> &names, std::string &failure);
// Loads each named picture, as much of it as the screen can show, and
// appends it to `list`. 1 on success; 0 with a line on stderr naming the
// first picture that cannot be loaded and why.
int LoadPictures(const std::vector<std::string> &names, Lista<Picture *> &list);
// Reads the list file and loads its pictures into `list`. 1 on success; 0
// with a line on stderr when the file fails, lists no picture, or a
// picture cannot be loaded.
int LoadPictureList(const char *fileName, Lista<Picture *> &list);
