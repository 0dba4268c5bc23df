#include "protocol/port_access.h"

namespace vindrel {

// On Windows a refused open (ERROR_ACCESS_DENIED) is how the system reports a port that another
// program holds: the connect's own "in use" message is the right one.
std::string PortAccessDeniedMessage(std::uint32_t, const std::string&) { return {}; }

}  // namespace vindrel
