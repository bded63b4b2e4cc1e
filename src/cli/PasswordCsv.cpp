#include "cli/PasswordCsv.h"

#include <QDir>
#include <QHash>

CsvTable ParseCsv(const QString& text)
{
    CsvTable table;
    CsvRecord record;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the field had quotes, which have closed
    int line = 1;
    int quoteLine = 0;  // where the open quoted field started
    record.line = 1;
    const auto fail = [&](const QString& why) {
        table.records.clear();
        table.error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return table;
    };
    const auto endRecord = [&] {
        record.fields << field;
        const bool empty = record.fields.size() == 1 && field.isEmpty() && !wasQuoted;
        if (!empty)
            table.records << record;
        record = CsvRecord{};
        field.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
                wasQuoted = true;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u',') {
            record.fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n' || (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')) {
            if (c == u'\r')
                ++i;
            endRecord();
            record.line = ++line;
        } else if (wasQuoted) {
            return fail(QStringLiteral("text after a closing quote"));
        } else if (c == u'"') {
            if (!field.isEmpty())
                return fail(QStringLiteral("a quote inside a field that is not quoted"));
            quoted = true;
            quoteLine = line;
        } else {
            field += c;
        }
    }
    if (quoted) {
        line = quoteLine;
        return fail(QStringLiteral("a quoted field is not closed"));
    }
    if (!field.isEmpty() || wasQuoted || !record.fields.isEmpty())
        endRecord();
    return table;
}

namespace {

PasswordRows readPasswordRows(const QString& text)
{
    PasswordRows result;
    const CsvTable table = ParseCsv(text);
    if (!table.error.isEmpty()) {
        result.error = table.error;
        return result;
    }
    if (table.records.isEmpty()) {
        result.error = QStringLiteral("no header row");
        return result;
    }
    const QStringList known = {QStringLiteral("file"), QStringLiteral("user_password"),
                               QStringLiteral("owner_password")};
    QList<int> columnOf(known.size(), -1);
    const QStringList header = table.records.first().fields;
    for (int column = 0; column < header.size(); ++column) {
        const int index = int(known.indexOf(header[column].trimmed()));
        if (index < 0 || columnOf[index] >= 0) {
            // The cell is not shown: in a file without a header it is a password.
            result.error = QStringLiteral("line 1: column %1 of the header is unknown or "
                                          "repeated (the columns are file, user_password and "
                                          "owner_password)")
                               .arg(column + 1);
            return result;
        }
        columnOf[index] = column;
    }
    if (columnOf[0] < 0 || columnOf[1] < 0) {
        result.error = QStringLiteral("line 1: the columns file and user_password are required");
        return result;
    }
    QHash<QString, int> lineOfFile;
    for (const CsvRecord& record : table.records.mid(1)) {
        if (record.fields.size() != header.size()) {
            result.error = QStringLiteral("line %1: %2 fields where the header has %3")
                               .arg(record.line)
                               .arg(record.fields.size())
                               .arg(header.size());
            return result;
        }
        PasswordRow row;
        row.line = record.line;
        row.file = QDir::cleanPath(record.fields[columnOf[0]]);
        row.userPassword = record.fields[columnOf[1]];
        if (columnOf[2] >= 0)
            row.ownerPassword = record.fields[columnOf[2]];
        if (record.fields[columnOf[0]].isEmpty()) {
            result.error = QStringLiteral("line %1: no file named").arg(record.line);
            return result;
        }
        if (lineOfFile.contains(row.file)) {
            result.error = QStringLiteral("line %1: %2 is named on line %3 already")
                               .arg(record.line)
                               .arg(row.file)
                               .arg(lineOfFile.value(row.file));
            return result;
        }
        lineOfFile.insert(row.file, row.line);
        result.rows << row;
    }
    return result;
}

}  // namespace

PasswordRows ReadPasswordRows(const QString& text)
{
    PasswordRows result = readPasswordRows(text);
    if (!result.error.isEmpty())
        result.rows.clear();
    return result;
}
