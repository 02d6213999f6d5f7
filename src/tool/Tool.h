// quillon-tool: the command-line companion. Each subcommand takes its own arguments (without
// the subcommand's name) and returns the process exit code; its usage is kept with the table of
// subcommands in Tool.cpp.
#pragma once

#include <ostream>
#include <string>
#include <vector>

using ToolArgs = std::vector<std::string>;

// Exit codes of every subcommand.
inline constexpr int kToolOk = 0;
inline constexpr int kToolFailed = 1;
inline constexpr int kToolUsage = 2;

int RunTool(const ToolArgs& args, std::ostream& out, std::ostream& err);
// Every subcommand with its forms and what it does, as the roff of a manual page's section.
void PrintCommandsManual(std::ostream& out);

int RunPathsCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunSettingsCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunLogCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunCleanupCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunDevicesCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunPlayCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunRecordCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunSimulateCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunLevelCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunQueueCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunInfoCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunNoteCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunConvertCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunPlaychainCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunDecodeCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunLinesCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunWatchCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunPromptCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);
int RunMailCommand(const ToolArgs& args, std::ostream& out, std::ostream& err);

// Prints "quillon-tool: message" and returns kToolUsage; RunTool then prints the usage of the
// subcommand.
int UsageError(std::ostream& err, const std::string& message);
