#pragma once

// Shared by resources.rc and the code, so plain macros.
#define IDI_VANTREL 1
#define IDB_USB_PICTURE 2
