// The texts of installation and removal, and the arguments that steer them.
#pragma once

// The progress dialog's lines in both.
inline constexpr char kSetupFirstLine[] = "Installing Quillon Recorder";
inline constexpr char kSetupSecondLine[] = "Quillon v " QUILLON_VERSION "\n";
inline constexpr char kFinalizingText[] = "Finalizing";
inline constexpr char kUncompressPromptsText[] = "Uncompress System Prompts";

// The terms dialog.
inline constexpr char kTermsCaption[] = "Quillon Recorder Licence";
inline constexpr char kAgreeButton[] = "I Agree";
inline constexpr char kDisagreeButton[] = "I Do Not Agree";
inline constexpr char kLicenceTerms[] =
    "Quillon Recorder licence\n\n"
    "You may install and use Quillon Recorder on the computers you use, and give unchanged "
    "copies of its installation file to others under these same terms.\n\n"
    "Recording a telephone call may need the consent of everyone on the call. You alone are "
    "responsible for using Quillon Recorder within the law where you and the other parties "
    "are.\n\n"
    "Quillon Recorder comes with no warranty of any kind. Its makers are not liable for any "
    "damage or loss that comes from using it, lost or missed recordings included.\n\n"
    "Choose \"I Agree\" to accept these terms and install Quillon Recorder.";

// The removal's question.
inline constexpr char kRemoveQuestion[] =
    "Are you sure you want to remove Quillon Recorder from this computer?";
inline constexpr char kRemoveCaption[] = "Uninstall Quillon Recorder";
inline constexpr char kDeleteRecordingsBox[] = "Also delete my recordings and caller logs";

// The installed program's first start, and the uninstaller's copy.
inline constexpr char kInstallArgument[] = "/install";
inline constexpr char kUninstallArgument[] = "/uninstall";
// Scripted runs: no questions, the terms accepted; the removal keeps the recordings and caller
// logs unless the second is given too.
inline constexpr char kYesOption[] = "--yes";
inline constexpr char kDeleteRecordingsOption[] = "--delete-recordings";
