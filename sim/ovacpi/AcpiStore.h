// Where the database lives and how it is read and changed. Several
// processes share one file: readers read it whole on every call, a writer
// replaces it whole, so a reader sees either the old or the new file.
#pragma once
#include <cstdint>
#include <string>

#include "AcpiDatabase.h"

namespace ovacpi {

// The file beside the library when OVACPI_DB names none.
constexpr const char* kDefaultDatabaseName = "OvAcpiDb.txt";
constexpr const char* kDatabaseVariable = "OVACPI_DB";

// OVACPI_DB if set and not empty, else kDefaultDatabaseName in the folder of
// the module this code lives in. Asked anew on every call, so a process may
// switch databases between calls.
std::string DatabasePath();

// The current database; false when the file cannot be read. Skipped lines
// are reported on stderr once per process.
bool LoadDatabase(Database* db);

// Checks and stores a new value for an item, replacing the file
// atomically; true only when the file holds the value afterwards.
bool StoreValue(uint32_t id, int32_t value);

} // namespace ovacpi
