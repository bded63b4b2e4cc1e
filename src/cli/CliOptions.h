#pragma once

#include "cli/PasswordSources.h"
#include "job/EncryptionSettings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What to do with inputs that are signed, certified, Reader-extended or PDF/A.
enum class OnSigned { Fail, Skip, Protect };

// The options of `sealmark-cli encrypt`. Passwords are not in here, only
// where to read them.
struct EncryptOptions
{
    QStringList inputs;
    bool recursive = false;
    QString outputDir;
    int strength = EncryptionSettings::Aes_256;
    // As the settings page holds them: high-resolution printing brings
    // printing, and below 128 bits only the four permissions 40-bit RC4
    // stores can be set.
    std::array<bool, EncryptionSettings::PermissionCount> permissions{};
    PasswordSource ownerPassword;
    std::optional<PasswordSource> userPassword;
    QString inputPasswordFile;
    QString passwordsCsv;
    OnSigned onSigned = OnSigned::Fail;
    int jobs = 0;  // 0: one per core
    QString reportFile;
    bool quiet = false;
};

// The options of `sealmark-cli info`.
struct InfoOptions
{
    QStringList files;
    bool json = false;
    QString inputPasswordFile;
};

// A command line, parsed.
struct CommandLine
{
    enum Command { Help, Version, Encrypt, Info, UsageError };
    Command command = UsageError;
    QString text;  // Help: the help; UsageError: the message
    EncryptOptions encrypt;
    InfoOptions info;
};

// Parses the arguments of sealmark-cli, the program's name first. Any
// --owner-password or --user-password with a value is refused before
// anything else: other users can read a process's arguments.
CommandLine ParseCommandLine(const QStringList& arguments);

// The permissions an --allow list grants at `strength`: "all", "none" or
// names from Words::PermissionNames separated by commas. Empty with `error`
// set when a name is unknown or the strength cannot store it.
std::optional<std::array<bool, EncryptionSettings::PermissionCount>>
ParseAllowList(const QString& list, int strength, QString* error);
