// The desktop's own programs: printing a file.
#pragma once

#include <string>

class QWidget;

// Prints the text file `path`: through "lp" when it is installed, else on a printer chosen in
// the print dialog over `owner`.
bool PrintWithDesktop(const std::string& path, QWidget* owner);
