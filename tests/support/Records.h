// What tests see of the backup records that in-place saves keep in a folder.
#pragma once

#include <cstddef>
#include <string>

// Whether a whole record (not a half-made one) is in the folder: its save has begun to
// overwrite the file.
[[nodiscard]] bool WholeRecordIn(const std::string& folder);
// The number of records, whole or not, in the folder.
[[nodiscard]] std::size_t RecordsIn(const std::string& folder);
