// Binding of the maker's system-service library (ORVASERVICE.DLL), imported
// by name through the import table.
#pragma once
#include <windows.h>

extern "C" {
BOOL WINAPI OvSysSvr_RegisterNotify(HWND window, const WCHAR* identity);
BOOL WINAPI OvSysSvr_UnregisterNotify(HWND window, const WCHAR* identity);
}
