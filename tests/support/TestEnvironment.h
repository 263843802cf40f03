#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the settings store at a private temporary folder before anything reads it, so tests
// never touch the user's real settings. Create one at the start of initTestCase().
class TestEnvironment
{
public:
    TestEnvironment();
    QString path() const { return m_dir.path(); }
    // Writes bytes to a file in the temporary folder and returns its full path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};
