// Identifiers of the program's resources, shared by the resource script and the code.
#pragma once

#define IDI_ZEL 1
// The banner is named, not numbered: the bitmap resource "IDB_BITMAP1".
#define BANNER_RESOURCE_NAME "IDB_BITMAP1"
