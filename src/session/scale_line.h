#pragma once
// How the tool sets up a port for the scale controller: what the session's
// port and the port prober have in common, so the prober asks a port just
// as the session would talk to it.

class TComm;

// Every byte value passes (no XON/XOFF on output); what has arrived is
// delivered as soon as the driver holds no more (serial::DeliversAtOnce),
// the frame assembler joins frames split across deliveries.
void ApplyScaleLineSettings(TComm& port);
