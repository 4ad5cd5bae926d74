// Resource and command identifiers of kelvane.
#pragma once

#define ID_STRING_TITLE 103
#define ID_DIALOG_ABOUT 103
#define ID_COMMAND_ABOUT 104
#define ID_COMMAND_EXIT 105
#define ID_ICON_LARGE 107
#define ID_ICON_SMALL 108
#define ID_MAIN 109
#define ID_ICON_ABOUT 128

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
