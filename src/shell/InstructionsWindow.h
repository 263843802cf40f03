#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The instructions window: shows help.txt from the program's own folder, read afresh each time
// the window is built. A missing file is reported once and leaves the text empty.
class InstructionsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit InstructionsWindow(QWidget* parent = nullptr);

    // Loading work: reads the help file into the text.
    void load();

    static QString helpFilePath();

    QPlainTextEdit* text() const { return m_text; }
    QPushButton* closeButton() const { return m_close; }

private:
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_close = nullptr;
};
