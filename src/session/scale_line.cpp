#include "session/scale_line.h"

#include "serial/comm.h"

void ApplyScaleLineSettings(TComm& port)
{
    port.SetOutx_XonXoffFlow(false);
    // Deliver at once: waiting for the line to fall quiet would hold a
    // weight or an answer back for as long as the controller keeps sending.
    port.SetReadIntervalTimeout(serial::kMaxTimeout);
    port.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    port.SetReadTotalTimeoutConstant(0);
}
