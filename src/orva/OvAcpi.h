// Binding of the maker's ACPI access library (OVACPI.DLL), imported by
// ordinal through the import table. Every buffer passed is 4096 bytes.
#pragma once
#include <windows.h>

namespace orva {
constexpr DWORD kAcpiBufferSize = 4096;
}

extern "C" {
DWORD WINAPI AcpiInit(void);
DWORD WINAPI AcpiSetItem(DWORD id, LONG value, DWORD flag);
DWORD WINAPI AcpiGetItem(DWORD id, LONG* value);
DWORD WINAPI AcpiListGroup(DWORD group, void* buffer, DWORD* size);
void* WINAPI AcpiFirstElement(void* package);
DWORD WINAPI AcpiElementCount(void* package);
void* WINAPI AcpiElementData(void* element);
void* WINAPI AcpiNextElement(void* element);
DWORD WINAPI AcpiDescribeItem(void* entryData, void* buffer, DWORD* size);
DWORD WINAPI AcpiQueryItem(DWORD id, DWORD index, void* buffer, DWORD* size);
}
