// Stand-in for the registry functions of <winreg.h>; filled in with the registry.
#pragma once
