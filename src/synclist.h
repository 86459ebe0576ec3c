// synclist.h - the sync listing: when each Zxx command of the tune plays and
// what each Z00 does to the show, found without a display or sound device.
#pragma once

#include <cstdio>

// Prints one line per Zxx cell that "demo.xm" plays once through its order
// table, in playing order, for the pictures that "pics.dat" lists, and warns
// on stderr when the Z00s show too few pictures or never end the show. The
// exit code: 0, or 1 with a line on stderr when either file fails.
int ListSyncs(FILE *out);
