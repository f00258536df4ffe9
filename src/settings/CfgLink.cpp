#include "settings/CfgLink.h"

namespace vel {

TCfgLinkHooks& CfgLink() {
  static TCfgLinkHooks hooks;
  return hooks;
}

}  // namespace vel
