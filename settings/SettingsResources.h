// The program's compiled resources (TessarySettings.rc), embedded in the program.
#pragma once

// Makes them the resources of the program's module (GetModuleHandleA(nullptr)).
void installSettingsResources();
