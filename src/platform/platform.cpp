#include "platform/platform.h"

namespace trelmix::platform {

namespace {
Backend* installed = nullptr;
}

Backend& Current() { return installed ? *installed : Native(); }

void Install(Backend* backend) { installed = backend; }

}  // namespace trelmix::platform
