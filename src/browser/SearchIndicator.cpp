#include "browser/SearchIndicator.h"

#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "platform/widgets/WindowIds.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kStepMs = 200;

QFont indicatorFont()
{
    // The indicator's face where the system has it; elsewhere a bold sans-serif of the same size.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(13.5);
    font.setBold(true);
    return font;
}

QTimer* makeTimer(QObject* parent, const char* name)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(kStepMs);
    return timer;
}
} // namespace

SearchIndicator::SearchIndicator(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), m_firstStep(makeTimer(this, "Timer1")),
      m_secondStep(makeTimer(this, "Timer2")), m_thirdStep(makeTimer(this, "Timer3"))
{
    setObjectName(WindowId::searchIndicator);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(Twips::toPixels(2670), Twips::toPixels(675));

    const QFont font = indicatorFont();
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(labelText(i), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setGeometry(Twips::rect(360, 120, 2175, 495));
        label->setFont(font);
        label->setVisible(i == 0);
        m_labels[size_t(i)] = label;
    }

    connect(m_firstStep, &QTimer::timeout, this, &SearchIndicator::showSecondDot);
    connect(m_secondStep, &QTimer::timeout, this, &SearchIndicator::showThirdDot);
    connect(m_thirdStep, &QTimer::timeout, this, &SearchIndicator::showFirstDot);

    // Loading: the sequence starts the moment the window exists.
    m_firstStep->start();
}

QString SearchIndicator::labelText(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("Searching.");
    case 1:
        return QStringLiteral("Searching. .");
    default:
        return QStringLiteral("Searching. . .");
    }
}

int SearchIndicator::visibleLabel() const
{
    for (int i = 0; i < 3; ++i) {
        if (!m_labels[size_t(i)]->isHidden())
            return i;
    }
    return -1;
}

void SearchIndicator::showSecondDot()
{
    m_labels[0]->setVisible(false);
    m_labels[1]->setVisible(true);
    m_secondStep->start();
    m_firstStep->stop();
}

void SearchIndicator::showThirdDot()
{
    m_labels[1]->setVisible(false);
    m_labels[2]->setVisible(true);
    m_secondStep->stop();
    m_thirdStep->start();
}

void SearchIndicator::showFirstDot()
{
    // The sequence ends here, back at one dot; nothing is armed again.
    m_labels[2]->setVisible(false);
    m_labels[0]->setVisible(true);
    m_thirdStep->stop();
}

void SearchIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen();
}

void SearchIndicator::closeEvent(QCloseEvent* event)
{
    // The window is deleted only once the current handler returns; no step may run meanwhile.
    disarmAll();
    QWidget::closeEvent(event);
}

void SearchIndicator::disarmAll()
{
    m_firstStep->stop();
    m_secondStep->stop();
    m_thirdStep->stop();
}

void SearchIndicator::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void registerSearchIndicator(WindowRegistry& registry)
{
    registry.registerWindow(WindowId::searchIndicator, [] { return new SearchIndicator; });
}
