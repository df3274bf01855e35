#include "ComPortNaming.h"
#include "PortNaming.h"

namespace ymodem {

std::unique_ptr<PortNaming> PortNaming::ForThisSystem() {
    return std::make_unique<ComPortNaming>();
}

}  // namespace ymodem
