// The desktop's own programs: opening a file with its default viewer and printing it.
#pragma once

#include <string>

class QWidget;

// Opens `path` with the desktop's default program for its type.
bool OpenWithDesktop(const std::string& path);
// Prints the text file `path`: through "lp" when it is installed, else on a printer chosen in
// the print dialog over `owner`.
bool PrintWithDesktop(const std::string& path, QWidget* owner);
