// The program's pictures, drawn at run time so they stay sharp at any size: the program icon,
// the splash picture and the Record and Hold button faces.
#pragma once

#include <QIcon>
#include <QPixmap>

// A telephone handset on a dark blue tile with a red recording dot.
QIcon ProgramIcon();
QPixmap ProgramIconPixmap(int size);

// The splash screen's picture.
QPixmap SplashPicture();

// The faces of the Record and Hold buttons, idle and active.
QPixmap RecordButtonImage(bool recording);
QPixmap HoldButtonImage(bool holding);
