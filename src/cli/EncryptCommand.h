#pragma once

#include "cli/CliOptions.h"

class Console;

// Exit codes of sealmark-cli.
enum ExitCode {
    ExitSuccess = 0,     // every file saved, or all of them looked at (info)
    ExitSomeFailed = 1,  // some files failed, or the run was stopped
    ExitUsage = 2,       // a usage or input error; nothing written
    ExitNoneSaved = 3,   // no file could be saved
};

// `sealmark-cli encrypt`: everything is checked before anything is written
// (passwords, inputs, the passwords CSV, every combination of settings, and
// every input opened for its pages and signatures); then the engine's
// BatchJob protects the files, with progress and one line per failure on
// standard error and, if asked for, a JSON report. Ctrl+C stops as the
// window's Stop does. Needs a QCoreApplication. Returns the exit code.
int RunEncrypt(const EncryptOptions& options, Console& console);
