#pragma once

#include <QByteArrayView>
#include <QString>

// The shell side of the program: messages on standard error, records on standard output.
namespace Console {

// Exit statuses, as grep has them: something found (or done), nothing found, an error.
constexpr int kFound = 0;
constexpr int kNothing = 1;
constexpr int kError = 2;

// "vellumark-cli: " and text on standard error, one line.
void error(const QString& text);
// Text as it stands on standard error (progress, reports).
void note(QByteArrayView text);

// Writes all of bytes to standard output; false with the system's reason when it cannot.
bool out(QByteArrayView bytes, QString* error);

bool isTerminal(int fd);
// Standard output is /dev/null: nothing written there is ever read.
bool outputDiscarded();

// A path's exact bytes as the program's text, and back (names need not be UTF-8).
QString path(const char* argument);

} // namespace Console
