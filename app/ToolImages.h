// ImageList1: the tool-bar pictures, drawn by the program itself, by their index.
#pragma once

#include <QIcon>

// The picture at `index` (0–20); an empty icon for any other index.
[[nodiscard]] QIcon ToolImage(int index);
// The program's own picture (two sheets joined into one), `size` pixels square; also the
// windows' icon.
[[nodiscard]] QPixmap ProgramPicture(int size);
