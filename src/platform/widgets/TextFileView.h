#pragma once

#include <QByteArray>
#include <QListView>
#include <QString>

#include <vector>

class TextLineModel;

// A read-only view of a whole text file, one row per line. The file's bytes are held once,
// with the offset of each line; rows are decoded only when they are painted, so a catalog of a
// million lines shows at once and costs little more than its own size in memory.
class TextFileView : public QListView
{
    Q_OBJECT

public:
    // Tabs to the next multiple of eight columns, as a plain text editor shows them (the view
    // and the printout both use it).
    static QString expandTabs(const QString& text);

    explicit TextFileView(QWidget* parent = nullptr);

    // Replaces the text with the whole content of a file; false with a description when it
    // cannot be read (the view keeps its text).
    bool loadFile(const QString& path, QString* error = nullptr);

    // The whole text (decoded from the system's 8-bit codec), and its replacement.
    QString text() const;
    void setText(const QString& text);
    void clear() { setText(QString()); }
    bool isEmpty() const;

    int lineCount() const;
    QString line(int index) const;

private:
    void setBytes(QByteArray bytes);

    TextLineModel* m_model;
};
