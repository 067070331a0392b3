#include "serial/win32/CommSettings.h"

namespace trimora {

namespace {
struct EventFlag {
    TComEvent Event;
    DWORD Flag;
};
constexpr EventFlag kEventFlags[] = {
    {evRxChar, EV_RXCHAR}, {evTxEmpty, EV_TXEMPTY},   {evRxFlag, EV_RXFLAG}, {evRing, EV_RING},
    {evBreak, EV_BREAK},   {evCTS, EV_CTS},           {evDSR, EV_DSR},       {evError, EV_ERR},
    {evRLSD, EV_RLSD},     {evRx80Full, EV_RX80FULL},
};
}  // namespace

DWORD CommMaskOf(TComEvents Events) {
    DWORD mask = 0;
    for (const EventFlag& f : kEventFlags)
        if (Events.Contains(f.Event)) mask |= f.Flag;
    return mask;
}

TComEvents EventsOfCommMask(DWORD Mask) {
    TComEvents events;
    for (const EventFlag& f : kEventFlags)
        if (Mask & f.Flag) events.Include(f.Event);
    return events;
}

DCB CommStateOf(const TDcb& Line) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = Line.BaudRate;
    dcb.fBinary = Line.Flag(DcbBinary);
    dcb.fParity = Line.Flag(DcbParity);
    dcb.fOutxCtsFlow = Line.Flag(DcbOutxCtsFlow);
    dcb.fOutxDsrFlow = Line.Flag(DcbOutxDsrFlow);
    dcb.fDtrControl = Line.DtrControl();
    dcb.fDsrSensitivity = Line.Flag(DcbDsrSensitivity);
    dcb.fTXContinueOnXoff = Line.Flag(DcbTXContinueOnXoff);
    dcb.fOutX = Line.Flag(DcbOutX);
    dcb.fInX = Line.Flag(DcbInX);
    dcb.fErrorChar = Line.Flag(DcbErrorChar);
    dcb.fNull = Line.Flag(DcbNull);
    dcb.fRtsControl = Line.RtsControl();
    dcb.fAbortOnError = Line.Flag(DcbAbortOnError);
    dcb.XonLim = Line.XonLim;
    dcb.XoffLim = Line.XoffLim;
    dcb.ByteSize = Line.ByteSize;
    dcb.Parity = Line.Parity;
    dcb.StopBits = Line.StopBits;
    dcb.XonChar = Line.XonChar;
    dcb.XoffChar = Line.XoffChar;
    dcb.ErrorChar = Line.ErrorChar;
    dcb.EofChar = Line.EofChar;
    dcb.EvtChar = Line.EvtChar;
    return dcb;
}

}  // namespace trimora
