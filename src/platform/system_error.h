#pragma once

#include <string>

namespace platform {

// The host's message text for an error code (errno value), ending in a line break.
std::string SystemErrorText(int code);

}  // namespace platform
