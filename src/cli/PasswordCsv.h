#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// CSV as RFC 4180 writes it: fields separated by commas, records by CR LF
// (a bare LF is taken too); a field in double quotes may hold commas, line
// breaks and doubled quotes. Fields keep their spaces.
struct CsvRecord
{
    int line = 0;  // where the record starts, from 1
    QStringList fields;
};
struct CsvTable
{
    QList<CsvRecord> records;  // empty lines left out
    QString error;             // "" when the text is well-formed
};
CsvTable ParseCsv(const QString& text);

// One row of a --passwords-csv file.
struct PasswordRow
{
    int line = 0;
    QString file;  // as matched against an input's relative path
    QString userPassword;
    QString ownerPassword;  // "" for the run's own
};
struct PasswordRows
{
    QList<PasswordRow> rows;
    QString error;  // "" when every row is usable
};

// The rows of a passwords CSV: a header naming the columns `file` and
// `user_password` and optionally `owner_password`, in any order, then one
// row per file. A column of another name, a row of another width or a file
// named twice is an error. `file` is cleaned ("./a.pdf" is "a.pdf").
PasswordRows ReadPasswordRows(const QString& text);
