#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

// An in-memory, connectionless record set of fixed text fields: the program's catalog table.
//
// Records are kept compact: every committed value lives as UTF-8 in one contiguous buffer and a
// record is a run of offsets into it, so a million catalog lines cost little more than the file.
// Values are stored unpadded. A filter narrows the visible records; the record count, the moves
// and the bookmarks all follow it. The set is shared between its data source, the grid and the
// search (std::shared_ptr), and tells its views when the visible records change.
class RecordSet : public QObject
{
    Q_OBJECT

public:
    // Field types and attributes keep the values the catalog has always used.
    enum FieldType { adChar = 129 };
    enum FieldAttribute { adFldUpdatable = 4, adFldRowID = 256 };
    enum CursorType { adOpenKeyset = 1 };
    enum LockType { adLockOptimistic = 3 };

    struct Field
    {
        QString name;
        int type = adChar;
        int definedSize = 0; // in characters (UTF-16 code units)
        int attributes = 0;
    };

    // A bookmark names one record whatever the filter; an invalid one is -1.
    using Bookmark = qint64;

    explicit RecordSet(QObject* parent = nullptr);
    ~RecordSet() override;

    // Definition: append fields, then open. Appending after open is refused.
    bool appendField(const QString& name, int type, int definedSize, int attributes,
                     QString* error = nullptr);
    void setCursorType(int type) { m_cursorType = type; }
    void setLockType(int type) { m_lockType = type; }
    int cursorType() const { return m_cursorType; }
    int lockType() const { return m_lockType; }
    void open();
    bool isOpen() const { return m_open; }

    int fieldCount() const { return int(m_fields.size()); }
    const Field& field(int index) const { return m_fields[size_t(index)]; }
    int fieldIndex(QStringView name) const; // case-insensitive; -1 when unknown

    // Editing: addNew starts a pending record (all values empty; a record still pending is
    // committed first), setValue fills it, update commits it at the end and makes it current,
    // cancelUpdate drops it. A value longer than its field's width is refused with a
    // description naming the field and its width; the pending record stays. A record added
    // while a filter is set stays visible until the next filter.
    void addNew();
    bool isAdding() const { return m_adding; }
    bool setValue(int field, QStringView value, QString* error = nullptr);
    // data must be valid UTF-8 (the catalog reader decodes every line before it stores it).
    bool setValueUtf8(int field, const char* data, qsizetype size, QString* error = nullptr);
    bool update(QString* error = nullptr);
    void cancelUpdate();

    // Position among the visible records: -1 is BOF, recordCount() is EOF.
    qint64 recordCount() const;
    qint64 absolutePosition() const { return m_position; }
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    // Values of the current record; empty when there is none.
    QString value(int field) const;
    QString value(QStringView fieldName) const;

    // Random access by visible row, for views. Row must be below recordCount().
    QString valueAt(qint64 row, int field) const;
    QByteArray utf8At(qint64 row, int field) const;

    Bookmark bookmark() const;              // of the current record, -1 at BOF/EOF
    Bookmark bookmarkAt(qint64 row) const;  // of a visible row
    bool setBookmark(Bookmark bookmark);     // moves to it; false when it is not visible
    QString valueAtBookmark(Bookmark bookmark, int field) const;

    // Filter: "" clears it; otherwise "Field LIKE 'pattern'" or "Field = 'value'". Inside the
    // quotes two single quotes stand for one. In a LIKE pattern a single leading and a single
    // trailing '*' or '%' are wildcards and every other character is literal; LIKE ignores
    // letter case. '=' compares exactly. A criterion that cannot be parsed is refused with a
    // description and the previous filter stays in force. A new filter makes the first
    // visible record current.
    bool setFilter(const QString& criterion, QString* error = nullptr);
    QString filter() const { return m_filter; }

    qint64 totalRecordCount() const { return m_recordCount; }

    // Capacity hint for a bulk load: the number of records and bytes of text expected.
    void reserve(qint64 records, qint64 textBytes);

    // The most bytes any one buffer of a record set may take. Growing past it throws
    // std::bad_alloc, as a failed allocation does. By default the machine's physical memory, so
    // a catalog larger than memory fails at once instead of paging or being killed; tests set
    // less. 0 restores the default.
    static void setCapacityLimit(qint64 bytes);
    static qint64 capacityLimit();

signals:
    // The visible records changed (filter set or cleared, records committed after a view
    // was attached is not signalled: views are bound after loading).
    void filterChanged();

private:
    // A growable array of plain values that grows with realloc: at a million records a
    // std::vector's copy-on-grow would briefly need twice the memory.
    template <typename T>
    class PodArray
    {
    public:
        PodArray() = default;
        ~PodArray();
        PodArray(const PodArray&) = delete;
        PodArray& operator=(const PodArray&) = delete;
        void push(T value);
        void append(const T* values, qsizetype count);
        void reserve(qsizetype count);
        void resize(qsizetype count);
        void clear();
        qsizetype size() const { return m_size; }
        qsizetype capacity() const { return m_capacity; }
        T& operator[](qsizetype i) { return m_data[i]; }
        const T& operator[](qsizetype i) const { return m_data[i]; }
        const T* data() const { return m_data; }

    private:
        T* m_data = nullptr;
        qsizetype m_size = 0;
        qsizetype m_capacity = 0;
    };

    struct Criterion;
    qint64 recordAtRow(qint64 row) const;
    const char* fieldData(qint64 record, int field, qsizetype* size) const;
    bool storeValue(int field, const char* data, qsizetype size, QString* error);
    bool commitPending(QString* error);
    std::vector<qint64> matchingRecords(const Criterion& criterion) const;
    template <typename Find, typename Matches>
    void findInText(int field, const Find& find, const Matches& matches,
                    std::vector<qint64>* result) const;
    void setVisible(bool filtered, std::vector<qint64> visible);

    std::vector<Field> m_fields;
    int m_cursorType = 0;
    int m_lockType = 0;
    bool m_open = false;

    // Record r starts at m_recordStart[r] in m_text and ends where record r + 1 starts
    // (m_recordStart holds one entry more than there are records). Field f > 0 of record r
    // starts m_fieldStart[r * (nf - 1) + f - 1] bytes after the record's start.
    PodArray<char> m_text;
    PodArray<qint64> m_recordStart;
    PodArray<quint32> m_fieldStart;
    qint64 m_recordCount = 0;

    // The record being added: its values sit at the end of m_text, after the committed
    // text, as (offset from the committed end, size) per field; -1 when not set.
    bool m_adding = false;
    std::vector<qint64> m_pendingOffset;
    std::vector<qint64> m_pendingSize;

    QString m_filter;
    bool m_filtered = false;
    std::vector<qint64> m_visible;     // records passing the filter, ascending
    qint64 m_position = -1;
};

using RecordSetPtr = std::shared_ptr<RecordSet>;
