#pragma once

#include <QIcon>
#include <QPixmap>

namespace ombrix {

// The program's pictures, drawn for 16 x 16 pixels and twice that for dense screens.

// The tool-bar and menu images by their place in the image list:
// 0 Status, 1 Read Data, 2 Clear, 3 Launch, 4 Table, 5 Graph, 6 Histogram, 8 Stop,
// 9 Read Status. Any other index gives an empty icon.
QIcon ToolImage(int index);

// The lamps: 0 unlit, 1 red, 2 green, 16 x 16 with a transparent background.
enum LedImages { ledOff = 0, ledRed = 1, ledGreen = 2 };
QPixmap LedImage(int index);

// The program's icon, from 16 to 128 pixels.
QIcon ProgramIcon();

// The logo of the Empty page: a 400 x 320 JPEG.
QPixmap LogoPicture();

// Makes the pictures built into the application library known to Qt's resource system.
void InitResources();

}  // namespace ombrix
