#include "protocol/port_access.h"

namespace vindrel {

// COM ports have no device files and no groups; a refused open means another program holds the
// port, which the connect reports as in use.
DeviceAccess ReadDeviceAccess(const std::string&) { return {}; }

}  // namespace vindrel
