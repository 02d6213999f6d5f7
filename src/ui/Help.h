// The program's help: the pages of "quillon.hlp" are HTML files in the "help" folder shipped
// beside the program, one per help context, shown in the program's own help window.
#pragma once

#include <string>

inline constexpr char kHelpFile[] = "quillon.hlp";

// Help contexts.
inline constexpr int kHelpContents = 0;
inline constexpr int kHelpGeneralPage = 110;
inline constexpr int kHelpRecordPage = 111;
inline constexpr int kHelpHoldPage = 112;
inline constexpr int kHelpFindAndPlay = 120;
inline constexpr int kHelpTroubleshooting = 130;
inline constexpr int kHelpFirstTip = 200;  // tips 200 to 209
inline constexpr int kNumTips = 10;

// $QUILLON_HELP_DIR when set, else HelpFolderOf() the program's folder.
std::string HelpFolder();
// "help" in `programFolder` when it is there, else "share/doc/quillon/help" beside that folder
// (an installed program) when that is there, else "help" in `programFolder`.
std::string HelpFolderOf(const std::string& programFolder);
// The page of `context`; empty for a context the help has no page for.
std::string HelpPageFile(int context);
// Shows the page of `context` in the help window, over the dialog that is open (so that it can
// be read beside it); false when there is no such page.
bool ShowHelp(int context);
