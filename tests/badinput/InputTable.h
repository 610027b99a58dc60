// Reads the hostile-input table: one row per text typed into one field, with its outcome.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace quilbo::test {

struct InputRow {
    int line = 0;
    QString field;
    QString text;  // escapes decoded
    QString outcome;
    qint64 number = 0;  // the outcome's number (bytes or hours), when it has one
    QString why;
};

// The rows of the table at path; a malformed row is reported through error (file and line)
// and ends the reading.
std::vector<InputRow> readInputTable(const QString& path, QString* error);

// Decodes the table's text escapes (\s \t \n \r \0 \\ \xHH \uHHHH \*N;); nullopt when the
// text uses an escape wrongly.
std::optional<QString> decodeCell(const QString& cell);

}  // namespace quilbo::test
