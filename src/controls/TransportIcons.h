// The faces of the play and record dialogs' transport buttons, drawn at run time in the button
// text colour (the record dot in red) so they are sharp at any scale and follow the theme.
#pragma once

#include <QIcon>

// Icons by their resource names: "PlayBitmap", "ScrubBitmap", "StopBitmap", "StartBitmap",
// "RewindBitmap", "ForwardBitmap", "EndBitmap", "RecordBitmap" (a red dot) and "RetakeBitmap".
// An unknown name gives an empty icon.
QIcon TransportIcon(const char* name);
