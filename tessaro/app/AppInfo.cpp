#include "tessaro/app/AppInfo.h"

namespace Ostra
{

AppInfo g_AppInfo{};

} // namespace Ostra
