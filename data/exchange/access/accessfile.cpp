#include "accessfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

// mdbtools.h includes glib and iconv inside extern "C"; included first, their C++ parts stay C++.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <sys/stat.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace dalil::Access {

namespace {

const QByteArray jetSignature = QByteArrayLiteral("Standard Jet DB");
const QByteArray aceSignature = QByteArrayLiteral("Standard ACE DB");
constexpr int signatureOffset = 4;

// A data page's row offsets: the low 13 bits place a row, the two high bits mark it. Jet marks
// a deleted row, and the old copy of a row that an edit moved elsewhere, as deleted; the slot
// of a moved row keeps only a pointer to where the row now lies.
constexpr quint16 deletedRow = 0x8000;
constexpr quint16 movedRow = 0x4000;
constexpr quint16 rowOffsetMask = 0x1fff;
// A memo's first word: its length, and whether it lies in the row, in one other row, or in a
// chain of them.
constexpr quint32 memoInRow = 0x80000000;
constexpr quint32 memoInOneRow = 0x40000000;
constexpr quint32 memoLengthMask = 0x3fffffff;
// The catalogue's own table, and how it marks a user's table.
constexpr unsigned long catalogPage = 2;
constexpr int tableObject = 1;
constexpr quint32 systemObject = 0x80000002;
// A moved row points at its new place; an edit that moves it again updates the pointer, so a
// chain is short. A longer one is a loop in a damaged file.
constexpr int movesFollowed = 4;

quint16 le16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}

quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

qint64 le64(const unsigned char *p)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | p[i];
    return qint64(value);
}

// Jet 3 keeps text in the Windows code page of the machine that wrote it; the file records only
// its sort order. A sort order of one script names that script's code page; the general one
// (every Western and Arabic install of Access 97 starts with it) says nothing, and Dalil's
// users wrote Arabic.
int codePageOfSortOrder(int sortOrder)
{
    switch (sortOrder) {
    case 1025: return 1256;                                   // Arabic
    case 1029: case 1038: case 1045: case 1050: case 1051: case 1060: return 1250; // Central European
    case 1026: case 1049: case 1058: return 1251;             // Cyrillic
    case 1032: return 1253;                                   // Greek
    case 1055: return 1254;                                   // Turkish
    case 1037: return 1255;                                   // Hebrew
    case 1061: case 1062: case 1063: return 1257;             // Baltic
    case 1066: return 1258;                                   // Vietnamese
    case 1030: case 1034: case 1035: case 1039: case 1043: case 1044: case 1053: return 1252; // Western
    case 1041: return 932;
    case 2052: return 936;
    case 1042: return 949;
    case 1028: return 950;
    case 1054: return 874;
    default: return 1256;
    }
}

QByteArray codePageName(int codePage)
{
    switch (codePage) {
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    default: return "windows-" + QByteArray::number(codePage);
    }
}

Type typeOf(const MdbColumn *column)
{
    switch (column->col_type) {
    case MDB_TEXT: return Type::Text;
    case MDB_MEMO: return Type::Memo;
    case MDB_BOOL: return Type::Boolean;
    case MDB_BYTE: return Type::Byte;
    case MDB_INT: return Type::Integer;
    case MDB_LONGINT: return Type::Long;
    case MDB_MONEY: return Type::Currency;
    case MDB_FLOAT: return Type::Single;
    case MDB_DOUBLE: return Type::Double;
    case MDB_DATETIME: return Type::DateTime;
    default: return Type::Other;
    }
}

// The bytes a fixed column takes; 0 for the others.
int fixedSize(Type type)
{
    switch (type) {
    case Type::Byte: return 1;
    case Type::Integer: return 2;
    case Type::Long: case Type::Single: return 4;
    case Type::Currency: case Type::Double: case Type::DateTime: return 8;
    default: return 0;
    }
}

// Where a row lies on a page, [start, end), and its marks.
struct Slot
{
    int start = 0;
    int end = 0;
    quint16 marks = 0;
};

// The row `row` of a data page; false when the page has no such row or it does not fit.
bool slotOf(const unsigned char *page, int pageSize, int countOffset, int row, Slot *slot)
{
    if (countOffset + 2 > pageSize)
        return false;
    const int rows = le16(page + countOffset);
    const int tableEnd = countOffset + 2 + 2 * rows;
    if (row < 0 || row >= rows || tableEnd > pageSize)
        return false;
    const quint16 word = le16(page + countOffset + 2 + 2 * row);
    slot->marks = word & (deletedRow | movedRow);
    slot->start = word & rowOffsetMask;
    slot->end = row == 0 ? pageSize : le16(page + countOffset + 2 * row) & rowOffsetMask;
    return slot->start >= tableEnd && slot->start < slot->end && slot->end <= pageSize;
}

Problem damaged(const QString &table, const QString &detail)
{
    return {Problem::Kind::Damaged, table, {}, 0, 0, detail};
}

} // namespace

bool hasSignature(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(signatureOffset + jetSignature.size());
    const QByteArray signature = head.mid(signatureOffset);
    return signature == jetSignature || signature == aceSignature;
}

QString Cell::shown() const
{
    switch (kind) {
    case Kind::Null:
    case Kind::Unread:
        return {};
    case Kind::Text:
        return text;
    case Kind::Integer:
        return QString::number(integer);
    case Kind::Currency: {
        const quint64 magnitude = integer < 0 ? 0 - quint64(integer) : quint64(integer);
        return QStringLiteral("%1%2.%3")
            .arg(integer < 0 ? QStringLiteral("-") : QString())
            .arg(magnitude / 10000)
            .arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    }
    case Kind::Real: {
        // The shortest digits that read back as the same double, whatever the locale.
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, real).ptr;
        return QString::fromLatin1(digits, end - digits);
    }
    }
    return {};
}

// ---------------------------------------------------------------------------------------------

struct File::Private
{
    struct Table
    {
        QString name;
        MdbCatalogEntry entry{};
        MdbTableDef *definition = nullptr;
        QList<Column> columns;
        bool read = false; // its definition and columns
    };

    QString path;
    MdbHandle *mdb = nullptr;
    Problem problem;
    Format format = Format::Jet4;
    int codePage = 0;
    qint64 fileSize = 0;       // the bound of any memo
    quint32 sparePage = 0;     // the page in the library's spare buffer, read for memos
    std::vector<std::unique_ptr<Table>> tables;
    Cursor::Private *reading = nullptr;

    ~Private();
    void open();
    bool readCatalogue();
    Table *table(const QString &name);
    bool define(Table &table);
    bool decodeText(const unsigned char *bytes, qsizetype size, QString *text) const;
    bool readMemo(const unsigned char *field, int size, QByteArray *bytes);
    bool longValueRow(quint32 pageRow, QByteArray *bytes, quint32 *next, bool chained);
};

struct Cursor::Private
{
    File::Private &file;
    QString name;
    MdbTableDef *definition;
    QList<Column> columns;
    QByteArray page;      // the data page being read, the library's buffer being shared
    QByteArray moved;     // the page a moved row now lies on
    int rowsOnPage = 0;
    int nextRow = 0;
    bool onPage = false;
    bool done = false;
    qint64 read = 0;
    Problem problem;

    Private(File::Private &file, const QString &name, MdbTableDef *definition, QList<Column> columns)
        : file(file), name(name), definition(definition), columns(std::move(columns))
    {
        mdb_rewind_table(definition);
        file.reading = this;
    }
    ~Private()
    {
        if (file.reading == this)
            file.reading = nullptr;
    }
    bool next(Row &row);
    bool fail(const QString &detail)
    {
        problem = damaged(name, detail);
        done = true;
        return false;
    }
    bool crack(const unsigned char *source, const Slot &where, Row &row);
};

File::Private::~Private()
{
    for (const auto &table : tables) {
        if (table->definition)
            mdb_free_tabledef(table->definition);
    }
    if (mdb)
        mdb_close(mdb);
}

void File::Private::open()
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        problem.kind = Problem::Kind::Missing;
        return;
    }
    if (!hasSignature(path)) {
        problem.kind = Problem::Kind::NotAccess;
        return;
    }
    const QByteArray encoded = QFile::encodeName(info.absoluteFilePath());
    struct stat named {};
    if (::stat(encoded.constData(), &named) != 0) {
        problem.kind = Problem::Kind::Missing;
        return;
    }
    fileSize = info.size();
    mdb = mdb_open(encoded.constData(), MDB_NOFLAGS);
    if (!mdb) {
        problem = {Problem::Kind::NotAccess, {}, {}, 0, 0, QStringLiteral("the library could not open it")};
        return;
    }
    // The library looks for a file it cannot find along MDBPATH: it must be this very file.
    struct stat opened {};
    if (::fstat(fileno(mdb->f->stream), &opened) != 0 || opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        problem.kind = Problem::Kind::Missing;
        return;
    }
    format = mdb->f->jet_version == MDB_VER_JET3 ? Format::Jet3 : mdb->f->jet_version == MDB_VER_JET4 ? Format::Jet4 : Format::Ace;
    // Names (of columns) go through the library's converter, which MDBICONV and
    // MDB_JET3_CHARSET choose at opening: ours replaces it, so that no variable changes them.
    mdb_iconv_close(mdb);
    if (format == Format::Jet3) {
        codePage = codePageOfSortOrder(mdb->f->lang_id);
        const QByteArray name = "CP" + QByteArray::number(codePage);
        mdb->iconv_in = iconv_open("UTF-8", name.constData());
        mdb->iconv_out = iconv_open(name.constData(), "UTF-8");
    } else {
        mdb->iconv_in = iconv_open("UTF-8", "UCS-2LE");
        mdb->iconv_out = iconv_open("UCS-2LE", "UTF-8");
    }
    if (mdb->iconv_in == iconv_t(-1) || mdb->iconv_out == iconv_t(-1)) {
        problem = {Problem::Kind::NotAccess, {}, {}, 0, 0, QStringLiteral("no converter for code page %1").arg(codePage)};
        return;
    }
    readCatalogue();
}

bool File::Private::readCatalogue()
{
    // The catalogue is a table like any other: read here, so that a deleted table's entry stays
    // deleted and a moved one is found where it lies.
    Table catalogue;
    catalogue.name = QStringLiteral("MSysObjects");
    catalogue.entry.mdb = mdb;
    catalogue.entry.object_type = MDB_TABLE;
    catalogue.entry.table_pg = catalogPage;
    std::strcpy(catalogue.entry.object_name, "MSysObjects");
    if (!define(catalogue))
        return false;
    const auto position = [&catalogue](QStringView name) {
        for (int i = 0; i < catalogue.columns.size(); ++i) {
            if (catalogue.columns.at(i).name == name)
                return i;
        }
        return -1;
    };
    const int id = position(u"Id"), name = position(u"Name"), type = position(u"Type"), flags = position(u"Flags");
    if (id < 0 || name < 0 || type < 0 || flags < 0) {
        problem = damaged(catalogue.name, QStringLiteral("the catalogue lacks a column"));
        mdb_free_tabledef(catalogue.definition);
        return false;
    }
    {
        Cursor::Private walk(*this, catalogue.name, catalogue.definition, catalogue.columns);
        Row row;
        while (walk.next(row)) {
            if (row.at(type).integer != tableObject || (quint32(row.at(flags).integer) & systemObject) != 0
                || row.at(name).kind != Cell::Kind::Text)
                continue;
            auto table = std::make_unique<Table>();
            table->name = row.at(name).text;
            table->entry.mdb = mdb;
            table->entry.object_type = MDB_TABLE;
            table->entry.table_pg = quint32(row.at(id).integer) & 0x00ffffff;
            const QByteArray utf8 = table->name.toUtf8().left(MDB_MAX_OBJ_NAME);
            std::memcpy(table->entry.object_name, utf8.constData(), utf8.size());
            tables.push_back(std::move(table));
        }
        if (walk.problem.isProblem())
            problem = walk.problem;
    }
    mdb_free_tabledef(catalogue.definition);
    return !problem.isProblem();
}

File::Private::Table *File::Private::table(const QString &name)
{
    for (const auto &table : tables) {
        if (table->name.compare(name, Qt::CaseInsensitive) == 0)
            return define(*table) ? table.get() : nullptr;
    }
    problem = {Problem::Kind::MissingTable, name, {}, 0, 0, {}};
    return nullptr;
}

bool File::Private::define(Table &table)
{
    if (table.read)
        return table.definition != nullptr;
    table.read = true;
    sparePage = 0;
    table.definition = mdb_read_table(&table.entry);
    if (!table.definition || !mdb_read_columns(table.definition) || table.definition->num_cols > MDB_MAX_COLS) {
        problem = damaged(table.name, QStringLiteral("its definition does not read"));
        if (table.definition)
            mdb_free_tabledef(table.definition);
        table.definition = nullptr;
        return false;
    }
    for (unsigned i = 0; i < table.definition->num_cols; ++i) {
        const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table.definition->columns, i));
        table.columns.append({QString::fromUtf8(column->name), typeOf(column), column->is_long_auto != 0});
    }
    return true;
}

bool File::Private::decodeText(const unsigned char *bytes, qsizetype size, QString *text) const
{
    if (format == Format::Jet3) {
        QStringDecoder decoder(codePageName(codePage).constData());
        *text = decoder.isValid() ? decoder.decode(QByteArrayView(bytes, size)) : QString();
        return decoder.isValid() && !decoder.hasError();
    }
    // Jet 4 and ACE keep UTF-16, or (behind FF FE) runs of one byte a character (the low half of
    // characters up to U+00FF) and of UTF-16, each run ended by a zero byte.
    const auto utf16 = [text](const unsigned char *from, qsizetype count) {
        if (count % 2 != 0)
            return false;
        const qsizetype at = text->size();
        text->resize(at + count / 2);
        for (qsizetype i = 0; i < count / 2; ++i)
            (*text)[at + i] = QChar(le16(from + 2 * i));
        return true;
    };
    text->clear();
    if (size < 2 || bytes[0] != 0xff || bytes[1] != 0xfe)
        return utf16(bytes, size);
    bool oneByte = true;
    qsizetype runStart = 2;
    for (qsizetype i = 2; i <= size; ++i) {
        if (i < size && bytes[i] != 0)
            continue;
        if (oneByte) {
            for (qsizetype j = runStart; j < i; ++j)
                text->append(QChar(bytes[j]));
        } else if (!utf16(bytes + runStart, i - runStart)) {
            return false;
        }
        oneByte = !oneByte;
        runStart = i + 1;
    }
    return true;
}

bool File::Private::longValueRow(quint32 pageRow, QByteArray *bytes, quint32 *next, bool chained)
{
    // Read through the spare page buffer: the data page being read stays where it is.
    const quint32 page = pageRow >> 8;
    const ssize_t pageSize = mdb->fmt->pg_size;
    if (page == 0)
        return false;
    // Memos of neighbouring rows share their pages.
    if (page != sparePage) {
        sparePage = 0;
        if (mdb_read_alt_pg(mdb, page) != pageSize)
            return false;
        sparePage = page;
    }
    if (mdb->alt_pg_buf[0] != MDB_PAGE_DATA)
        return false;
    Slot slot;
    if (!slotOf(mdb->alt_pg_buf, int(pageSize), mdb->fmt->row_count_offset, int(pageRow & 0xff), &slot))
        return false;
    const unsigned char *row = mdb->alt_pg_buf + slot.start;
    const int size = slot.end - slot.start;
    if (chained) {
        if (size < 4)
            return false;
        *next = le32(row);
        bytes->append(reinterpret_cast<const char *>(row + 4), size - 4);
    } else {
        bytes->append(reinterpret_cast<const char *>(row), size);
    }
    return true;
}

bool File::Private::readMemo(const unsigned char *field, int size, QByteArray *bytes)
{
    if (size < 12)
        return false;
    const quint32 head = le32(field);
    const qint64 length = head & memoLengthMask;
    const quint32 pageRow = le32(field + 4);
    if (head & memoInRow) {
        if (length > size - 12)
            return false;
        *bytes = QByteArray(reinterpret_cast<const char *>(field + 12), length);
        return true;
    }
    // A memo no longer than the file it lies in; the chain may not loop.
    if (length > fileSize)
        return false;
    bytes->clear();
    bytes->reserve(length);
    if (head & memoInOneRow) {
        if (!longValueRow(pageRow, bytes, nullptr, false) || bytes->size() < length)
            return false;
        bytes->truncate(length);
        return true;
    }
    quint32 at = pageRow;
    for (qint64 links = 0; bytes->size() < length; ++links) {
        quint32 next = 0;
        if (at == 0 || links > length / 8 + 1 || !longValueRow(at, bytes, &next, true))
            return false;
        at = next;
    }
    bytes->truncate(length);
    return true;
}

// ---------------------------------------------------------------------------------------------

bool Cursor::Private::next(Row &row)
{
    MdbHandle *mdb = file.mdb;
    const int pageSize = int(mdb->fmt->pg_size);
    const int countOffset = mdb->fmt->row_count_offset;
    while (!done) {
        if (file.reading != this)
            return fail(QStringLiteral("another cursor read meanwhile"));
        if (!onPage) {
            file.sparePage = 0; // the walk may read the table's page map through that buffer
            if (!mdb_read_next_dpg(definition)) {
                done = true;
                if (read != qint64(definition->num_rows))
                    problem = {Problem::Kind::Short, name, {}, qint64(definition->num_rows), read, {}};
                return false;
            }
            page = QByteArray(reinterpret_cast<const char *>(mdb->pg_buf), pageSize);
            rowsOnPage = le16(reinterpret_cast<const unsigned char *>(page.constData()) + countOffset);
            if (countOffset + 2 + 2 * rowsOnPage > pageSize)
                return fail(QStringLiteral("page %1 counts more rows than it holds").arg(definition->cur_phys_pg));
            nextRow = 0;
            onPage = true;
        }
        if (nextRow >= rowsOnPage) {
            onPage = false;
            continue;
        }
        const auto *source = reinterpret_cast<const unsigned char *>(page.constData());
        Slot where;
        const bool fits = slotOf(source, pageSize, countOffset, nextRow, &where);
        ++nextRow;
        if (where.marks & deletedRow)
            continue;
        if (!fits)
            return fail(QStringLiteral("a row of page %1 lies outside it").arg(definition->cur_phys_pg));
        // A moved row: its slot points at the row's new place, which is marked deleted so that
        // a walk over the pages does not read it twice (and may point on again).
        for (int moves = 0; where.marks & movedRow; ++moves) {
            const QString nowhere = QStringLiteral("a moved row of page %1 leads nowhere").arg(definition->cur_phys_pg);
            if (moves == movesFollowed || where.end - where.start < 4)
                return fail(nowhere);
            const quint32 pageRow = le32(source + where.start);
            if (mdb_read_pg(mdb, pageRow >> 8) != pageSize || mdb->pg_buf[0] != MDB_PAGE_DATA
                || le32(mdb->pg_buf + 4) != definition->entry->table_pg)
                return fail(nowhere);
            moved = QByteArray(reinterpret_cast<const char *>(mdb->pg_buf), pageSize);
            source = reinterpret_cast<const unsigned char *>(moved.constData());
            if (!slotOf(source, pageSize, countOffset, int(pageRow & 0xff), &where))
                return fail(nowhere);
        }
        if (read >= qint64(definition->num_rows)) {
            done = true;
            problem = {Problem::Kind::Short, name, {}, qint64(definition->num_rows), read + 1, {}};
            return false;
        }
        if (!crack(source, where, row))
            return false;
        ++read;
        return true;
    }
    return false;
}

bool Cursor::Private::crack(const unsigned char *source, const Slot &where, Row &row)
{
    MdbHandle *mdb = file.mdb;
    // The library cracks the row in its own page buffer. It keeps the number of the page it
    // read last there, to skip reading it again: that number no longer holds.
    if (std::memcmp(mdb->pg_buf, source, size_t(mdb->fmt->pg_size)) != 0) {
        std::memcpy(mdb->pg_buf, source, size_t(mdb->fmt->pg_size));
        mdb->cur_pg = 0;
    }
    std::array<MdbField, MDB_MAX_COLS> fields{};
    if (mdb_crack_row(definition, where.start, size_t(where.end - where.start), fields.data()) < 0)
        return fail(QStringLiteral("a row of page %1 does not read").arg(definition->cur_phys_pg));
    row.resize(columns.size());
    for (int i = 0; i < columns.size(); ++i) {
        const MdbField &field = fields[size_t(i)];
        const Type type = columns.at(i).type;
        Cell &cell = row[i];
        cell = Cell();
        if (type == Type::Boolean) { // kept in the row's mask of present values
            cell.kind = Cell::Kind::Integer;
            cell.integer = field.is_null ? 0 : 1;
            continue;
        }
        if (field.is_null)
            continue;
        if (field.siz < 0 || field.start < where.start || field.start + field.siz > where.end)
            return fail(QStringLiteral("a value of page %1 lies outside its row").arg(definition->cur_phys_pg));
        const unsigned char *value = mdb->pg_buf + field.start;
        const int expected = fixedSize(type);
        if (expected > 0 && field.siz != expected)
            return fail(QStringLiteral("a number of page %1 has %2 bytes").arg(definition->cur_phys_pg).arg(field.siz));
        switch (type) {
        case Type::Byte:
            cell.kind = Cell::Kind::Integer;
            cell.integer = value[0];
            break;
        case Type::Integer:
            cell.kind = Cell::Kind::Integer;
            cell.integer = qint16(le16(value));
            break;
        case Type::Long:
            cell.kind = Cell::Kind::Integer;
            cell.integer = qint32(le32(value));
            break;
        case Type::Currency:
            cell.kind = Cell::Kind::Currency;
            cell.integer = le64(value);
            break;
        case Type::Single: {
            const quint32 bits = le32(value);
            float real;
            std::memcpy(&real, &bits, sizeof real);
            cell.kind = Cell::Kind::Real;
            cell.real = real;
            break;
        }
        case Type::Double:
        case Type::DateTime: {
            const qint64 bits = le64(value);
            std::memcpy(&cell.real, &bits, sizeof cell.real);
            cell.kind = Cell::Kind::Real;
            break;
        }
        case Type::Text:
            cell.kind = Cell::Kind::Text;
            if (!file.decodeText(value, field.siz, &cell.text))
                return fail(QStringLiteral("a text of page %1 does not read").arg(definition->cur_phys_pg));
            break;
        case Type::Memo: {
            QByteArray bytes;
            cell.kind = Cell::Kind::Text;
            if (!file.readMemo(value, field.siz, &bytes)
                || !file.decodeText(reinterpret_cast<const unsigned char *>(bytes.constData()), bytes.size(), &cell.text))
                return fail(QStringLiteral("a memo of page %1 does not read").arg(definition->cur_phys_pg));
            break;
        }
        default:
            cell.kind = Cell::Kind::Unread;
            break;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

File::File(const QString &path)
    : d(std::make_unique<Private>())
{
    d->path = path;
    d->open();
}

File::~File() = default;

bool File::isOpen() const
{
    return d->mdb && !d->problem.isProblem();
}

Problem File::problem() const
{
    return d->problem;
}

Format File::format() const
{
    return d->format;
}

int File::codePage() const
{
    return d->codePage;
}

QStringList File::tables() const
{
    QStringList names;
    for (const auto &table : d->tables)
        names << table->name;
    return names;
}

QList<Column> File::columns(const QString &table)
{
    const Private::Table *found = isOpen() ? d->table(table) : nullptr;
    return found ? found->columns : QList<Column>();
}

qint64 File::rowCount(const QString &table)
{
    const Private::Table *found = isOpen() ? d->table(table) : nullptr;
    return found ? qint64(found->definition->num_rows) : 0;
}

std::unique_ptr<Cursor> File::rows(const QString &table)
{
    Private::Table *found = isOpen() ? d->table(table) : nullptr;
    if (!found)
        return nullptr;
    return std::unique_ptr<Cursor>(new Cursor(std::make_unique<Cursor::Private>(*d, found->name, found->definition, found->columns)));
}

Cursor::Cursor(std::unique_ptr<Private> d)
    : d(std::move(d))
{
}

Cursor::~Cursor() = default;

bool Cursor::next(Row &row)
{
    return d->next(row);
}

Problem Cursor::problem() const
{
    return d->problem;
}

qint64 Cursor::read() const
{
    return d->read;
}

} // namespace dalil::Access
