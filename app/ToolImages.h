// ImageList1: the tool-bar pictures, drawn by the program itself, by their index.
#pragma once

#include <QIcon>

// The picture at `index` (0–21); an empty icon for any other index.
[[nodiscard]] QIcon ToolImage(int index);
// The sizes of the program's picture files, in pixels.
inline constexpr int kProgramIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The program's own picture (two sheets joined into one), `size` pixels square.
[[nodiscard]] QPixmap ProgramPicture(int size);
// The program's picture at the sizes desktops ask for (16–256 pixels): every window's icon.
[[nodiscard]] QIcon ProgramIcon();
