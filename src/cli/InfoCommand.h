#pragma once

#include "cli/CliOptions.h"

class Console;

// `sealmark-cli info`: for each file its pages, its encryption, the
// permissions it grants, and whether it is signed, certified,
// Reader-extended or PDF/A; as text or, with --json, as a JSON array.
// Returns 0, 1 when a file could not be read (one that no password of
// --input-password-file opens "needs a password"), or 2 for a usage error.
int RunInfo(const InfoOptions& options, Console& console);
