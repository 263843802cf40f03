#pragma once

#include "catalog/DiskChanges.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTabWidget;

// What a re-capture would change, before anything changes: the counts of records added,
// removed, changed in size and unchanged, each list viewable, and "Replace" / "Cancel".
// Accepted is Replace.
class RecapturePreview : public QDialog
{
    Q_OBJECT

public:
    RecapturePreview(const QString& index, const QString& label, const DiskChanges& changes,
                     QWidget* parent = nullptr);

    QLabel* summary() const { return m_summary; }
    QTabWidget* lists() const { return m_lists; }
    QPushButton* replaceButton() const { return m_replace; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLabel* m_summary = nullptr;
    QTabWidget* m_lists = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_cancel = nullptr;
};
