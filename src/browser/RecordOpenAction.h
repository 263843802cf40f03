#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class FileOpener;
class QTableView;
class QWidget;

// The database window's open action: a double-click on a grid row (or Enter on it) hands that
// row's "Filename" value, exactly as the grid holds it, to a new FileOpener. The opener made by
// the latest action is kept as the window's fileOpener until the next action or the window's
// end. When nothing is loaded, no row is current or the file cannot be opened, a message box
// says so and the window carries on.
class RecordOpenAction : public QObject
{
    Q_OBJECT

public:
    // The action belongs to the window; message boxes are parented to it.
    RecordOpenAction(QTableView* grid, QWidget* window);
    ~RecordOpenAction() override;

    // The open-file action itself.
    void openCurrentRecord();

    FileOpener* fileOpener() const { return m_fileOpener.get(); }

    // The grid column whose heading is name, letter case ignored; -1 when there is none.
    static int columnNamed(const QTableView& grid, const QString& name);

    static QString noCatalogText();
    static QString noCurrentRecordText();
    static QString openErrorTitle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QTableView> m_grid;
    // The grid as a plain QObject: the event filter compares with it while the grid is being
    // destroyed, when it is no longer a QTableView.
    QObject* m_gridObject;
    QPointer<QWidget> m_window;
    std::unique_ptr<FileOpener> m_fileOpener;
};
