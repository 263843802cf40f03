#pragma once

#include <QByteArray>
#include <QListView>
#include <QString>

class QFile;
class TextLineModel;

// The capture window's read-only view of a whole text file, one row per line. It reads a file
// exactly as the catalog reader does (CatalogLine: CR LF, LF or a lone CR end a line, a leading
// byte-order mark is skipped, a line that is not UTF-8 is Windows-1252). The file's bytes are
// held once, with the offset of each line; rows are decoded only when they are painted, so a
// catalog of a million lines shows at once and costs little more than its own size in memory.
// A row shows at most the first kShownCharacters characters of its line, then kMoreMark, so no
// line, however long, makes a repaint slow; line() and text() give whole lines.
class TextFileView : public QListView
{
    Q_OBJECT

public:
    static constexpr int kShownCharacters = 4000;
    static const QString kMoreMark;

    // Tabs to the next multiple of eight columns, as a plain text editor shows them (the view
    // and the printout both use it).
    static QString expandTabs(const QString& text);

    explicit TextFileView(QWidget* parent = nullptr);

    // Replaces the text with the whole content of a file; false with a description when it
    // cannot be read (the view keeps its text). Only a regular file is opened.
    bool loadFile(const QString& path, QString* error = nullptr);

    // The whole text as read (line ends kept, a byte-order mark left out), and its
    // replacement.
    QString text() const;
    void setText(const QString& text);
    void clear() { setText(QString()); }
    bool isEmpty() const;

    int lineCount() const;
    QString line(int index) const;      // the whole line
    QString shownLine(int index) const; // what its row shows

private:
    static qint64 readInHalves(QFile& file, char* data, qint64 size, int* failure);
    void setBytes(QByteArray bytes);

    TextLineModel* m_model;
};
