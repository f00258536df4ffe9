#pragma once
#include <string>

namespace vel::version {

// "major.minor.patch", as the settings file and the version check compare it.
std::string VersionText();
int BuildNumber();

}  // namespace vel::version
