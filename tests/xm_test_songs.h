// xm_test_songs.h - the XM modules that the music tests, the fuzz seeds and the benchmarks play.
#pragma once

#include <cstdint>
#include <vector>

#include "xm_writer.h"

// The Zxx effect's number as written in pattern cells.
const uint8_t kEffectSync = 0x23;

// Four channels, orders {0, 1, 2}, restart position 1, Zxx cells among every effect that moves the play
// position: a pattern loop, a pattern delay, speed and BPM changes, a break and a jump.
XmModule xm_sync_song();

// The same module with every Zxx cell emptied.
XmModule xm_without_sync(XmModule module);

// `orders` orders of 64-row patterns with notes on every channel and a Z00 every 16 rows.
XmModule xm_busy_song(int orders, int channels);

// One cycle of a bright 16-bit saw wave, looped, as an instrument.
XmInstrument xm_saw_instrument();
