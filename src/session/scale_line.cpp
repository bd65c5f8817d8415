#include "session/scale_line.h"

#include "serial/comm.h"

void ApplyScaleLineSettings(TComm& port)
{
    port.SetOutx_XonXoffFlow(false);
    port.SetReadIntervalTimeout(10);
}
