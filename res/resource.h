// Identifiers of the program's resources, shared by the resource script and the code.
#pragma once

#define IDI_ZEL 1
#define IDB_BITMAP1 101
