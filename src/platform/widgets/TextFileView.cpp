#include "platform/widgets/TextFileView.h"

#include <QAbstractListModel>
#include <QFile>
#include <QFontMetrics>

#include <cstring>

// Rows over one buffer: line i is bytes [m_starts[i], m_starts[i + 1]) without its line end.
class TextLineModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setBytes(QByteArray bytes, int charWidth, int lineHeight)
    {
        beginResetModel();
        m_bytes = std::move(bytes);
        m_starts.clear();
        m_longest = 0;
        const char* data = m_bytes.constData();
        const qsizetype size = m_bytes.size();
        qsizetype start = 0;
        while (start < size) {
            const void* found = std::memchr(data + start, '\n', size_t(size - start));
            const qsizetype end = found ? static_cast<const char*>(found) - data + 1 : size;
            m_starts.push_back(start);
            m_longest = std::max<qsizetype>(m_longest, end - start);
            start = end;
        }
        m_starts.push_back(size);
        m_itemSize = QSize(int(std::min<qsizetype>(m_longest + 2, 4000)) * charWidth, lineHeight);
        endResetModel();
    }

    const QByteArray& bytes() const { return m_bytes; }
    int lines() const { return int(m_starts.size()) - 1; }

    QString line(int row) const
    {
        if (row < 0 || row >= lines())
            return QString();
        qsizetype begin = m_starts[size_t(row)];
        qsizetype end = m_starts[size_t(row) + 1];
        if (end > begin && m_bytes.at(end - 1) == '\n')
            --end;
        if (end > begin && m_bytes.at(end - 1) == '\r')
            --end;
        return QString::fromLocal8Bit(m_bytes.constData() + begin, end - begin);
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : lines(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            // Tabs to the next multiple of eight columns, as a plain text editor shows them.
            const QString text = line(index.row());
            if (!text.contains(QLatin1Char('\t')))
                return text;
            QString expanded;
            expanded.reserve(text.size() + 16);
            for (QChar c : text) {
                if (c == QLatin1Char('\t'))
                    expanded.append(QString(8 - expanded.size() % 8, QLatin1Char(' ')));
                else
                    expanded.append(c);
            }
            return expanded;
        }
        if (role == Qt::SizeHintRole)
            return m_itemSize;
        return QVariant();
    }

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_starts{0};
    qsizetype m_longest = 0;
    QSize m_itemSize;
};

TextFileView::TextFileView(QWidget* parent) : QListView(parent), m_model(new TextLineModel(this))
{
    setModel(m_model);
    // Every row has the height of one line, so the view never measures a million rows.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(10000);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
}

bool TextFileView::loadFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    setBytes(std::move(bytes));
    return true;
}

QString TextFileView::text() const
{
    return QString::fromLocal8Bit(m_model->bytes());
}

void TextFileView::setText(const QString& text)
{
    setBytes(text.toLocal8Bit());
}

bool TextFileView::isEmpty() const
{
    return m_model->bytes().isEmpty();
}

int TextFileView::lineCount() const
{
    return m_model->lines();
}

QString TextFileView::line(int index) const
{
    return m_model->line(index);
}

void TextFileView::setBytes(QByteArray bytes)
{
    const QFontMetrics metrics(font());
    m_model->setBytes(std::move(bytes), metrics.averageCharWidth(),
                      metrics.height() + 2);
    scrollToTop();
}
