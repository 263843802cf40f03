#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QTimer;
class WindowRegistry;

// The search indicator: a small borderless window that reads "Searching." and steps to two
// and then three dots, 200 ms apart, once. The database window opens it when a search starts
// and closes it when the search is done; it takes no input. Built afresh on every opening
// (through the window registry), so each opening starts at one dot.
class SearchIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit SearchIndicator(QWidget* parent = nullptr);

    // The label shown now (0, 1 or 2), -1 if none is.
    int visibleLabel() const;
    QLabel* label(int index) const { return m_labels[size_t(index)]; }

    static QString labelText(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showSecondDot();
    void showThirdDot();
    void showFirstDot();
    void centreOnScreen();
    void disarmAll();

    std::array<QLabel*, 3> m_labels{};
    QTimer* m_firstStep;
    QTimer* m_secondStep;
    QTimer* m_thirdStep;
};

// Registers the indicator under the name "Form2".
void registerSearchIndicator(WindowRegistry& registry);
