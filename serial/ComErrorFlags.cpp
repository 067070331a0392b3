#include "serial/ComErrorFlags.h"

namespace trimora {

TComErrors ErrorsFromCommFlags(std::uint32_t Flags, bool ParityCheck) {
    TComErrors errors;
    if (Flags & CE_FRAME) errors.Include(ceFrame);
    if ((Flags & CE_RXPARITY) && ParityCheck) errors.Include(ceRxParity);
    if (Flags & CE_OVERRUN) errors.Include(ceOverrun);
    if (Flags & CE_BREAK) errors.Include(ceBreak);
    if (Flags & CE_IOE) errors.Include(ceIOE);
    if (Flags & CE_MODE) errors.Include(ceMode);
    if (Flags & CE_RXOVER) errors.Include(ceRxOver);
    if (Flags & CE_TXFULL) errors.Include(ceTxFull);
    return errors;
}

}  // namespace trimora
