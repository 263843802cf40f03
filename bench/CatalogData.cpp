#include "CatalogData.h"

#include "Bench.h"
#include "catalog/CatalogLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// A small fixed generator, so every machine builds the same file.
class Random
{
public:
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int n) { return int(next() % quint32(n)); }

private:
    quint64 m_state = 0x5eed;
};

const QStringList kFolders = {
    "src", "include", "build", "lib", "docs", "tests", "assets", "images", "vendor",
    "node_modules", ".cache", "Downloads", "Documents", "Pictures", "Music", "Videos",
    "2019", "2020", "2021", "2022", "2023", "backup", "archive", "old", "tmp", "share",
    "resources", "icons", "locale", "fonts", "scripts", "config", "data", "reports",
    "Invoices", "Holiday Photos", "Camera Roll", "site-packages", "third_party", "modules",
    "Application Support", "com.example.photoeditor", "__pycache__", "CMakeFiles",
    "dist-packages", "Screenshots", "Family Trip 2018", "Client Meetings", "Thesis Drafts",
    "webpack-dev-server", "android-sdk", "Steam Library", "GoogleDrive-Backup",
    "9f86d081884c7d65", "e3b0c44298fc1c14", "v2.14.3", "release-candidate", "Templates"};
const QStringList kAccented = {"été", "Müller", "Ångström", "café", "niño", "日本語",
                               "Привет", "Zürich", "façade", "crème brûlée"};
const QStringList kStems = {"report", "index", "main", "readme", "photo", "IMG_", "track",
                            "invoice", "notes", "setup", "module", "widget", "test_",
                            "config", "backup", "draft", "summary", "thumbnail", "cache",
                            "Screenshot from 2023-04-17 ", "meeting-notes-final-",
                            "DSC_", "libqt6widgets.so.", "Untitled document "};
const QStringList kExtensions = {".txt", ".jpg", ".png", ".cpp", ".h", ".py", ".js", ".pdf",
                                 ".mp3", ".json", ".html", ".md", ".o", ".zip", ".docx"};

QString makePath(Random& random, int record)
{
    QString path = QStringLiteral("/home/user%1/").arg(random.below(4));
    if (random.below(2) == 0)
        path += QStringLiteral("project-%1/").arg(random.below(40));
    const bool deep = record % 40 == 0;
    const int depth = deep ? 14 + random.below(10) : 3 + random.below(6);
    for (int i = 0; i < depth; ++i) {
        if (random.below(30) == 0)
            path += kAccented[random.below(int(kAccented.size()))];
        else
            path += kFolders[random.below(int(kFolders.size()))];
        if (random.below(3) == 0)
            path += QStringLiteral("-v%1").arg(random.below(100));
        path += QLatin1Char('/');
    }
    if (record % 10000 == 1234)
        path += QLatin1String(CatalogData::kRareText) + QLatin1Char('/');
    path += kStems[random.below(int(kStems.size()))];
    path += QString::number(random.below(100000));
    path += kExtensions[random.below(int(kExtensions.size()))];
    return path;
}

qint64 makeSize(Random& random)
{
    // Mostly small files, a long tail up to several gigabytes.
    const int magnitude = random.below(100);
    if (magnitude < 60)
        return random.below(65536);
    if (magnitude < 95)
        return qint64(random.next() % (64u << 20));
    return qint64(random.next()) * (1 + random.below(4));
}

} // namespace

QString ensureCatalog(int records)
{
    const QString name = records == CatalogData::kRecords
                             ? QStringLiteral("catalog-1m-v2.txt")
                             : QStringLiteral("catalog-%1-v2.txt").arg(records);
    const QString path = QDir(Bench::dataDir()).filePath(name);
    if (QFileInfo(path).size() > 0)
        return path;

    const QString partial = path + QStringLiteral(".partial");
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(partial));
    Random random;
    QByteArray block;
    for (int r = 0; r < records; ++r) {
        // Captures are appended one after another, so index values come in runs.
        const int index = 1 + r / (records / 5);
        block += CatalogLine::Writer(QString::number(index), QString())
                     .line(makePath(random, r), makeSize(random));
        if (block.size() > (1 << 22)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    file.close();
    QFile::remove(path);
    QFile::rename(partial, path);
    return path;
}
