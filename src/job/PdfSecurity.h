#pragma once

#include <qpdf/Constants.h>

#include <QString>

#include <string>

class QPDFWriter;

// The security PdfLibrary writes into a file, and the check that a written
// file holds it. Internal to the engine.

// What the permission bits of ComposePermissions grant, as libqpdf takes it.
struct PermissionGrants
{
    bool print, modify, extract, annotate, fillForms, accessibility, assemble;
    qpdf_r3_print_e printing;
};

PermissionGrants GrantsOf(int permissions);

// The new security, its passwords already in the bytes the strength takes.
struct AppliedSecurity
{
    int strength = 0;
    int permissions = 0;
    std::string ownerPassword;
    std::string userPassword;

    int revision() const { return strength == 0 ? 2 : strength == 1 ? 3 : strength == 2 ? 4 : 6; }
    int keyBits() const { return strength == 0 ? 40 : strength == 3 ? 256 : 128; }
    // The P value a file written with this security must hold.
    int expectedPermissions() const;
    // The bits of P the revision can hold at all.
    int heldPermissionBits() const { return revision() == 2 ? 0x3C : 0xF3C; }
    // True when the file would hold the two passwords as one: the user
    // password would then open it as owner.
    bool passwordsStoredAlike() const;
};

// What a file of `strength` keeps of a password already encoded for it:
// 256-bit AES its first 127 bytes, the older strengths their first 32.
std::string StoredPasswordBytes(const std::string& encoded, int strength);

// Gives the writer `security`.
void SetEncryption(QPDFWriter& writer, const AppliedSecurity& security);

// The written file at `path` opens with the owner password as owner, its
// user password (or none) derives the same file key, and it holds the
// security asked for and declares `declaredPages` pages as the input did
// (DocumentFacts::DeclaredPageCount). Only the trailer, the encryption
// dictionary, the catalog and the page tree's root are read. Never throws.
bool ReadsBackAsProtected(const QString& path, const AppliedSecurity& security,
                          long long declaredPages);
