// The hostile-input table's reader and its escape decoder.
#include "InputTable.h"

#include <QFile>
#include <QStringList>

namespace quilbo::test {

std::optional<QString> decodeCell(const QString& cell) {
    QString out;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != u'\\') {
            out += cell[i];
            continue;
        }
        if (++i == cell.size()) {
            return std::nullopt;
        }
        const QChar c = cell[i];
        auto hex = [&](int digits) -> std::optional<QChar> {
            bool ok = false;
            const uint code = cell.mid(i + 1, digits).toUInt(&ok, 16);
            if (!ok || i + digits >= cell.size()) {
                return std::nullopt;
            }
            i += digits;
            return QChar(static_cast<char16_t>(code));
        };
        if (c == u's') {
            out += u' ';
        } else if (c == u't') {
            out += u'\t';
        } else if (c == u'n') {
            out += u'\n';
        } else if (c == u'r') {
            out += u'\r';
        } else if (c == u'0') {
            out += QChar(u'\0');
        } else if (c == u'\\') {
            out += u'\\';
        } else if (c == u'x' || c == u'u') {
            const std::optional<QChar> code = hex(c == u'x' ? 2 : 4);
            if (!code) {
                return std::nullopt;
            }
            out += *code;
        } else if (c == u'*') {
            const qsizetype end = cell.indexOf(u';', i);
            bool ok = false;
            const int total = end < 0 ? 0 : cell.mid(i + 1, end - i - 1).toInt(&ok);
            if (!ok || out.isEmpty() || total < 1) {
                return std::nullopt;
            }
            const QChar repeated = out.back();
            out += QString(total - 1, repeated);
            i = end;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::vector<InputRow> readInputTable(const QString& path, QString* error) {
    std::vector<InputRow> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": cannot be read");
        return {};
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const QString where = QStringLiteral("%1:%2: ").arg(path).arg(n + 1);
        const QStringList cells = line.split(u'\t');
        if (cells.size() != 4) {
            *error = where + QStringLiteral("expected 4 tab-separated cells");
            return {};
        }
        InputRow row;
        row.line = static_cast<int>(n + 1);
        row.field = cells[0];
        const std::optional<QString> text = decodeCell(cells[1]);
        if (!text) {
            *error = where + QStringLiteral("bad escape in the text");
            return {};
        }
        row.text = *text;
        const QStringList outcome = cells[2].split(u' ');
        row.outcome = outcome[0];
        if (outcome.size() == 2) {
            bool ok = false;
            row.number = outcome[1].toLongLong(&ok);
            if (!ok) {
                *error = where + QStringLiteral("the outcome's number is not a number");
                return {};
            }
        } else if (outcome.size() != 1) {
            *error = where + QStringLiteral("an outcome is one word and at most one number");
            return {};
        }
        row.why = cells[3];
        rows.push_back(row);
    }
    return rows;
}

}  // namespace quilbo::test
