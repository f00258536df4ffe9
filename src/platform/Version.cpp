#include "platform/Version.h"

#include "vellorine_version.h"

namespace vel::version {

std::string VersionText() { return VELLORINE_VERSION; }
int BuildNumber() { return VELLORINE_BUILD_NUMBER; }

}  // namespace vel::version
