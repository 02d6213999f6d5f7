// The faces of the play and record dialogs' transport buttons, drawn at run time in the button
// text colour so they are sharp at any scale and follow light and dark themes.
#pragma once

#include <QIcon>

// Icons by their resource names: "PlayBitmap", "ScrubBitmap", "StopBitmap", "StartBitmap",
// "RewindBitmap", "ForwardBitmap" and "EndBitmap". An unknown name gives an empty icon.
QIcon TransportIcon(const char* name);
