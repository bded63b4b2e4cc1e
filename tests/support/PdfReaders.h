#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Independent readers that check what we write: poppler's pdfinfo and
// pdftotext, MuPDF's mutool and the qpdf command-line tool, run as separate
// processes. Passwords are the exact bytes the reader gets on its command
// line (tests only: the program itself never puts a password there).
namespace PdfReaders {

// Empty when pdfinfo, pdftotext, mutool and qpdf can all be found; else the
// names of those missing.
QStringList missingTools();

// Runs a program of the machine the tests run on: under Wine one of the
// Linux machine, through the bridge, which turns Windows paths among the
// arguments into its own. True when it exits with 0.
bool runOnHost(const QString& program, const QStringList& arguments);

// Makes `link` a symbolic link to `target`. Under Wine, where a Windows
// program cannot make one, the Linux machine makes it. False when no link
// could be made.
bool makeSymLink(const QString& target, const QString& link);

struct PopplerInfo
{
    bool opened = false;
    int pages = -1;
    bool encrypted = false;
    // print, copy, change and addNotes: the flags pdfinfo reports.
    QMap<QString, bool> permissions;
    QString algorithm;  // "RC4", "AES", "AES-256"
    QString output;
};

enum class As { User, Owner };

// pdfinfo with the password given as user (-upw) or owner (-opw) password.
PopplerInfo popplerInfo(const QString& path, const QByteArray& password = {}, As as = As::User);

// Text of every page through pdftotext, or a null string when it fails.
QString popplerText(const QString& path, const QByteArray& password = {});

// True when MuPDF renders every page of the file with the password (MuPDF
// tries it as user and as owner password).
bool mupdfOpens(const QString& path, const QByteArray& password = {});

// Text of every page through mutool, or a null string when it fails.
QString mupdfText(const QString& path, const QByteArray& password = {});

struct MupdfEncryption
{
    bool opened = false;
    int revision = 0;  // /R and /P of the encryption dictionary
    int permissions = 0;
};

// The encryption dictionary as mutool info shows it.
MupdfEncryption mupdfEncryption(const QString& path, const QByteArray& password = {});

struct QpdfEncryption
{
    bool opened = false;
    bool encrypted = false;
    int revision = 0;
    int permissions = 0;   // the P value
    QString streamMethod;  // "RC4", "AESv2", "AESv3"
    QString output;
};

// qpdf --show-encryption.
QpdfEncryption qpdfEncryption(const QString& path, const QByteArray& password = {});

// True when qpdf --check finds no error and no warning.
bool qpdfCheck(const QString& path, const QByteArray& password = {});

// The first warning of qpdf --check as it follows the file name, such as
// " (object 8 0): object has offset 0"; "" when there is none.
QString qpdfFirstWarning(const QString& path);

// What a protected output must show every reader.
struct Expected
{
    int strength = 3;      // as PdfLibrary's strength codes
    int permissions = 0;   // the P value
    QString userPassword;  // "" for none
    QString ownerPassword;
    QStringList pageTexts;  // one per page, each shown on its page
};

// The one check of a protected output with all the independent readers:
// poppler, MuPDF and qpdf each see the strength, the permissions and the
// pages, open it with the passwords (as each reader takes them) and, when
// it has a user password, not without it or with a wrong one; qpdf --check
// finds nothing wrong. "" when all of that holds, else what did not.
QString protectionProblems(const QString& path, const Expected& expected);

}  // namespace PdfReaders
