// Program-wide state that several windows read: the conversion range, the version texts, the
// folder of the program's own files and the memo-clip file in it.
#pragma once

#include <QString>

#include <cstdint>

// The conversion range: 0-based line indices, both inclusive; RangeEnd < RangeStart is empty.
extern std::int32_t RangeStart;
extern std::int32_t RangeEnd;

extern QString VersionText;
extern QString UpdateDateText;

// Full name of the memo-clip file ("memoclip.kvn" in the data folder).
extern QString MemoClipPath;

// The program's help file, named at start-up; Help asks for its topic 10000.
extern QString HelpFile;

// The folder of the program's own files, with a trailing separator: $KORVANE_HOME when it is
// set, otherwise the user's data folder for the program. Created when missing.
QString DataFolder();
