// What tests see of the backup records that in-place saves keep in a folder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

// Whether a whole record (not a half-made one) is in the folder: its save has begun to
// overwrite the file.
[[nodiscard]] bool WholeRecordIn(const std::string& folder);
// The number of records, whole or not, in the folder.
[[nodiscard]] std::size_t RecordsIn(const std::string& folder);

// Kills `runs` saves at random moments (a fixed seed): reset() prepares the file, start()
// starts the save as a process and returns it. The first save runs whole, to learn its length;
// then every other kill falls anywhere in the save, the others in the first part of the time
// after a whole record appeared in folder, when the file itself is overwritten. afterEach(run)
// looks at what the kill left.
void KillSavesAtRandomMoments(int runs, const std::string& folder,
                              const std::function<void()>& reset,
                              const std::function<pid_t()>& start,
                              const std::function<void(int run)>& afterEach);
