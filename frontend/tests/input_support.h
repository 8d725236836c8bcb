#pragma once
// Helpers shared by the tests of the shell and the condition input window.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

#include "shell/message_sink.h"

namespace tessaray_test {

// Records every message box instead of showing it.
class RecordingSink : public tessaray::MessageSink {
public:
    struct Message {
        QString kind;  // "warning", "confirm", "ask", "fatal"
        QString text;
    };
    void warning(QWidget*, const QString& text) override { messages.push_back({QStringLiteral("warning"), text}); }
    bool confirm(QWidget*, const QString& text) override {
        messages.push_back({QStringLiteral("confirm"), text});
        return confirmAnswer;
    }
    bool ask(QWidget*, const QString& text) override {
        messages.push_back({QStringLiteral("ask"), text});
        return askAnswer;
    }
    void fatal(QWidget*, const QString& text) override { messages.push_back({QStringLiteral("fatal"), text}); }

    std::vector<Message> messages;
    bool confirmAnswer = true;
    bool askAnswer = false;
};

// Records how the program would have ended.
struct EndRecorder {
    std::vector<int> statuses;
    auto function() {
        return [this](int status) { statuses.push_back(status); };
    }
};

// The value of field `field` (1..8) in row `row` (1..300) of the generated
// coefficient table: distinct for every place, so a row or field shifted by
// one is noticed.
inline double tableValue(int row, int field) { return field * 1000.0 + row + 0.125; }

// A coefficient table of 300 rows of eight numbers in the fixed columns of
// the shipped file (E10.3 energy, then E15.6 fields), CR LF line ends.
inline QByteArray coefficientTableText(int rows = 300) {
    QByteArray text;
    for (int r = 1; r <= rows; ++r) {
        QByteArray line = QByteArray::number(0.5 * r, 'E', 3).rightJustified(10, ' ');
        for (int f = 2; f <= 8; ++f) line += QByteArray::number(tableValue(r, f), 'E', 6).rightJustified(15, ' ');
        text += line + "\r\n";
    }
    return text;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

}  // namespace tessaray_test
