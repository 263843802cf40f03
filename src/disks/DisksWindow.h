#pragma once

#include "catalog/CatalogTable.h"

#include <QWidget>

class DisksModel;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;

// The Disks window: one row per disk (index value) of the catalog the database window shows,
// with its records and bytes, its side-file facts and the totals. Label and Note are edited in
// place; activating a row (double-click, Enter) shows that disk in the database window as
// choosing it in the Index list does; Re-capture… refreshes the selected disk in place.
// The window follows the database window: whenever it is activated it shows that window's
// current catalog. It exists at most once (WindowRegistry).
class DisksWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Vellumark - Disks";

    explicit DisksWindow(QWidget* parent = nullptr);

    // Shows the catalog the database window shows (nothing when it shows none).
    void followDatabaseWindow();
    // Shows the disks of table, loaded from catalogPath.
    void showCatalog(const QString& catalogPath, const CatalogTablePtr& table);

    // Shows the disk of row in the database window.
    void showDisk(int row);
    // Re-capture… on the selected disk.
    void recaptureSelected();
    // The selected disk's row, or -1.
    int selectedRow() const;

    DisksModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    QPushButton* recaptureButton() const { return m_recaptureButton; }
    QLabel* totalsLabel() const { return m_totals; }
    // The row of disk actions above the table: more actions on the selected disk go here.
    QHBoxLayout* actionRow() const { return m_actions; }

protected:
    bool event(QEvent* event) override;

private:
    void updateTotals();
    void updateActions();
    void reportSaveFailure(const QString& message);

    DisksModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QHBoxLayout* m_actions = nullptr;
    QPushButton* m_recaptureButton = nullptr;
    QLabel* m_totals = nullptr;
};
