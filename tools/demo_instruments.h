// demo_instruments.h - the synthesized instruments of the example tune:
// drums baked as one-shot samples, melodic voices as looped waveforms shaped
// by volume envelopes. Pitched instruments play middle C at XM note C-4;
// drums are meant to be played at C-4.
#pragma once

#include "xm_writer.h"

XmInstrument demo_kick();
XmInstrument demo_snare();
XmInstrument demo_closed_hat();
XmInstrument demo_open_hat();
XmInstrument demo_crash();
XmInstrument demo_bass();
XmInstrument demo_arp();
XmInstrument demo_lead();
XmInstrument demo_lead_echo();
XmInstrument demo_pad();
