// The reading half of the spreadsheet layer: opens an .xlsx archive through
// minizip, streams each part it needs through the XML reader, and fills the
// sheet list, the table of shared texts and a Worksheet's cells, refusing a
// damaged or hostile file with a sentence for the user at the bounds that
// workbook.h sets. The writing half is workbook_writer.cpp.
#include "platform/workbook.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QIODevice>
#include <QSysInfo>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vd {

namespace {

QString Quoted(const QString& s) { return QStringLiteral("\"%1\"").arg(s); }

Outcome Fail(const QString& text) { return Outcome::Fail(text.toStdString()); }

// Watches a part's bytes before the XML reader takes them, for what the
// reader would hold whole or work at without bound, and stops the read
// there. The reader holds a text between two tags, a tag, a comment, a CDATA
// section or a processing instruction whole: each may be a megabyte at
// most, where a workbook's longest (a cell's text written out) fits many
// times. It compares each attribute of a tag with every other, and looks
// each prefix up through every namespace in force: a tag may carry
// kWorkbookMaxAttributes attributes and kWorkbookMaxNamespaces namespaces
// may be in force at once, where a workbook's tags carry a few dozen. A
// document type is refused at its first bytes, before the reader keeps its
// declarations and expands its entities. The part is watched in the form
// the reader will decode it in, found from its first bytes as the reader
// finds it: UTF-8 (or another form that writes "<" and its kin as single
// bytes), UTF-16 in either byte order, and UTF-32, which no workbook uses.
class MarkupGuard {
public:
    enum class Stop {
        None, LongText, LongTag, LongComment, LongCData, LongInstruction,
        ManyAttributes, ManyNamespaces, DocumentType, Encoding
    };
    enum class Form { Unknown, Bytes, Utf16LE, Utf16BE };

    Form form() const { return form_; }
    bool byteOrderMark() const { return bom_; }
    // Tags, attributes, comments, CDATA sections and instructions begun
    // since the last call.
    long long takeMarkup() { return std::exchange(markup_, 0); }

    Stop scan(const char* data, std::size_t n) {
        if (form_ == Form::Unknown) {
            const std::size_t take = std::min(n, sizeof head_ - headSize_);
            std::memcpy(head_ + headSize_, data, take);
            headSize_ += take;
            if (headSize_ < sizeof head_) return Stop::None;
            if (!findForm()) return Stop::Encoding;
            if (Stop why = scanForm(reinterpret_cast<const char*>(head_), headSize_); why != Stop::None) return why;
            data += take;
            n -= take;
        }
        return scanForm(data, n);
    }

private:
    enum class At { Text, Opening, Tag, Comment, CData, Instruction };

    // The reader's own rule: a byte-order mark, else the bytes of "<".
    bool findForm() {
        const auto is = [&](std::initializer_list<unsigned char> bytes) {
            return std::equal(bytes.begin(), bytes.end(), head_);
        };
        if (is({0, 0, 0xFE, 0xFF}) || is({0xFF, 0xFE, 0, 0}) || is({0, 0, 0, '<'}) || is({'<', 0, 0, 0})) return false;
        bom_ = is({0xEF, 0xBB, 0xBF}) || is({0xFE, 0xFF}) || is({0xFF, 0xFE});
        if (is({0xEF, 0xBB, 0xBF})) form_ = Form::Bytes;
        else if (is({0xFE, 0xFF}) || is({0, '<'})) form_ = Form::Utf16BE;
        else if (is({0xFF, 0xFE}) || is({'<', 0})) form_ = Form::Utf16LE;
        else form_ = Form::Bytes;
        // The bounds are in bytes of the part as stored.
        limit_ = form_ == Form::Bytes ? kWorkbookMaxMarkupRun : kWorkbookMaxMarkupRun / 2;
        return true;
    }

    // UTF-16 is watched as one character per unit, each unit beyond ASCII
    // standing in as a byte that is no markup.
    Stop scanForm(const char* data, std::size_t n) {
        if (form_ == Form::Bytes) return scanText(data, data + n);
        units_.clear();
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        std::size_t k = 0;
        if (pending_ >= 0 && n > 0) {
            unit(static_cast<unsigned char>(pending_), p[0]);
            pending_ = -1;
            k = 1;
        }
        for (; k + 1 < n; k += 2) unit(p[k], p[k + 1]);
        if (k < n) pending_ = p[k];
        return scanText(units_.data(), units_.data() + units_.size());
    }
    void unit(unsigned char first, unsigned char second) {
        const unsigned u = form_ == Form::Utf16LE ? first | second << 8 : first << 8 | second;
        units_.push_back(u < 0x80 ? static_cast<char>(u) : '\x80');
    }

    Stop scanText(const char* p, const char* const end) {
        while (p < end) {
            if (at_ == At::Text) {
                if (*p == '<') {  // no text between two tags, as mostly
                    ++p;
                    opened();
                    continue;
                }
                const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
                const char* const stop = lt ? static_cast<const char*>(lt) : end;
                run_ += static_cast<std::size_t>(stop - p);
                if (run_ > limit_) return Stop::LongText;
                if (!lt) break;
                p = stop + 1;
                opened();
                continue;
            }
            if (at_ == At::Tag) {
                if (Stop why = scanTag(p, end); why != Stop::None) return why;
                continue;
            }
            const char c = *p++;
            if (at_ == At::Opening) {
                if (!bang_) {
                    if (c == '?') enter(At::Instruction, '?', 1);
                    else if (c == '!') bang_ = true;
                    else if (c != '<') {  // a "<" after "<" opens anew
                        startTag(c == '/');
                        --p;  // the tag's first character
                    }
                } else if (!expect_) {
                    if (c == '-') expect_ = "-", next_ = At::Comment;
                    else if (c == '[') expect_ = "CDATA[", next_ = At::CData;
                    else if (c == 'D') return Stop::DocumentType;
                    else reopenOrText(c);
                } else if (c == *expect_) {
                    if (*++expect_ == '\0') next_ == At::Comment ? enter(At::Comment, '-', 2) : enter(At::CData, ']', 2);
                } else {
                    reopenOrText(c);
                }
                continue;
            }
            // Inside a comment, a CDATA section or an instruction only its end counts.
            if (c == '>' && closing_ >= needed_) {
                at_ = At::Text;
                run_ = 0;
                continue;
            }
            closing_ = c == closer_ ? closing_ + 1 : 0;
            if (++inside_ - std::min(closing_, needed_) > limit_)
                return at_ == At::Comment ? Stop::LongComment : at_ == At::CData ? Stop::LongCData : Stop::LongInstruction;
        }
        return Stop::None;
    }

    // Inside a tag, to its end or the piece's. Most bytes of a sheet are
    // here: what changes from byte to byte is kept in locals.
    Stop scanTag(const char*& p, const char* const end) {
        std::size_t bytes = tagBytes_, length = nameLength_;
        char quote = quote_;
        bool afterSpace = afterSpace_, slash = slash_;
        Stop why = Stop::None;
        while (p < end) {
            const char c = *p++;
            if (++bytes > limit_) {
                why = Stop::LongTag;
                break;
            }
            if (c == '<') {  // never inside a tag: the reader stops there
                opened();
                break;
            }
            if (quote) {
                if (c == quote) quote = 0, afterSpace = true;
                continue;
            }
            if (c == '"' || c == '\'') {
                quote = c;
                slash = false;
            } else if (c == '=') {
                if (++attributes_ > kWorkbookMaxAttributes) {
                    why = Stop::ManyAttributes;
                    break;
                }
                ++markup_;
                nameLength_ = length;
                if (declaresNamespace() && inForce_ + ++declared_ > kWorkbookMaxNamespaces) {
                    why = Stop::ManyNamespaces;
                    break;
                }
                slash = false;
            } else if (c == '>') {
                slash_ = slash;
                endTag();
                break;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                afterSpace = true;
                slash = false;
            } else {
                if (afterSpace) length = 0, afterSpace = false;
                if (length < sizeof name_) name_[length] = c;
                ++length;
                slash = c == '/';
            }
        }
        tagBytes_ = bytes;
        nameLength_ = length;
        quote_ = quote;
        afterSpace_ = afterSpace;
        slash_ = slash;
        return why;
    }
    void opened() {
        at_ = At::Opening;
        bang_ = false;
        expect_ = nullptr;
    }
    void reopenOrText(char c) {
        if (c == '<') {
            opened();
        } else {
            at_ = At::Text;
            run_ = 0;
        }
    }
    void enter(At section, char closer, std::size_t needed) {
        ++markup_;
        at_ = section;
        closer_ = closer;
        needed_ = needed;
        closing_ = 0;
        inside_ = 0;
    }
    void startTag(bool end) {
        markup_ += !end;
        at_ = At::Tag;
        endTag_ = end;
        tagBytes_ = 1;
        attributes_ = declared_ = 0;
        quote_ = 0;
        afterSpace_ = slash_ = false;
        nameLength_ = 0;
    }
    // "xmlns" or "xmlns:prefix" before the "=".
    bool declaresNamespace() const {
        return nameLength_ >= 5 && std::memcmp(name_, "xmlns", 5) == 0 && (nameLength_ == 5 || name_[5] == ':');
    }
    // Namespaces declared on an element stay in force until its end tag.
    void endTag() {
        if (endTag_) {
            depth_ = std::max(depth_ - 1, 0);
            while (!scopes_.empty() && scopes_.back().depth >= depth_) {
                inForce_ -= scopes_.back().declared;
                scopes_.pop_back();
            }
        } else if (!slash_) {
            if (declared_ > 0) {
                scopes_.push_back({depth_, declared_});
                inForce_ += declared_;
            }
            ++depth_;
        }
        at_ = At::Text;
        run_ = 0;
    }

    struct Scope {
        int depth, declared;
    };
    Form form_ = Form::Unknown;
    bool bom_ = false;
    unsigned char head_[4] = {};
    std::size_t headSize_ = 0;
    int pending_ = -1;   // a UTF-16 unit's first byte, its second still to come
    std::string units_;  // a piece of UTF-16 as one character per unit
    std::size_t limit_ = kWorkbookMaxMarkupRun;
    long long markup_ = 0;
    At at_ = At::Text;
    std::size_t run_ = 0;  // characters of text since the last markup
    // "<" seen: "!" after it, and the rest of "<!--" or "<![CDATA[" still expected.
    bool bang_ = false;
    const char* expect_ = nullptr;
    At next_ = At::Text;
    // Inside a comment, CDATA section or instruction.
    char closer_ = 0;
    std::size_t needed_ = 0, closing_ = 0, inside_ = 0;
    // Inside a tag.
    bool endTag_ = false, afterSpace_ = false, slash_ = false;
    char quote_ = 0;
    std::size_t tagBytes_ = 0, nameLength_ = 0;
    char name_[6] = {};  // the first characters of the name being read
    int attributes_ = 0, declared_ = 0;
    // Elements open, and the namespaces their tags declared.
    int depth_ = 0, inForce_ = 0;
    std::vector<Scope> scopes_;
};

// One archive entry as the XML reader's input, unpacked as the reader asks
// for more and watched by a MarkupGuard. It stops the read when the user
// cancels, when the archive is damaged or the entry shorter than it says,
// where the guard stops it, and when the workbook's reads together have
// unpacked more XML, or more markup, than `budget` allows: markup that
// carries no cells costs reading time all the same.
class EntryDevice : public QIODevice {
public:
    enum class Stop { None, Guard, Damaged, TooMuch, TooMuchMarkup, Cancelled };

    EntryDevice(unzFile zip, long long size, const WorkbookProgress& progress, WorkbookReadBudget& budget)
        : zip_(zip), size_(size), progress_(progress), budget_(budget) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        clock_.start();
    }
    bool isSequential() const override { return true; }
    Stop stop() const { return stop_; }
    MarkupGuard::Stop guardStop() const { return guardStop_; }
    MarkupGuard::Form form() const { return guard_.form(); }
    bool byteOrderMark() const { return guard_.byteOrderMark(); }
    bool ended() const { return ended_; }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (stop_ != Stop::None) return -1;
        if (ended_ || max <= 0) return 0;
        const int n = unzReadCurrentFile(zip_, data, static_cast<unsigned>(std::min<qint64>(max, 1 << 16)));
        if (n < 0) return halt(Stop::Damaged);
        if (n == 0) {
            // No more data, at the entry's end or before it: the inflated data
            // can run out short of the size the archive gives, which only the
            // end-of-entry test tells apart.
            if (unzeof(zip_) != 1) return halt(Stop::Damaged);
            ended_ = true;
            return 0;
        }
        if ((guardStop_ = guard_.scan(data, static_cast<std::size_t>(n))) != MarkupGuard::Stop::None)
            return halt(Stop::Guard);
        if ((budget_.xmlBytes -= n) < 0) return halt(Stop::TooMuch);
        if ((budget_.markup -= guard_.takeMarkup()) < 0) return halt(Stop::TooMuchMarkup);
        done_ += n;
        // The caller's progress and Esc test cost little at this rate.
        if (progress_ && (done_ == n || clock_.elapsed() >= 30)) {
            clock_.restart();
            if (!progress_(done_, size_)) return halt(Stop::Cancelled);
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 halt(Stop why) {
        stop_ = why;
        return -1;
    }
    unzFile zip_;
    long long size_;
    const WorkbookProgress& progress_;
    WorkbookReadBudget& budget_;
    MarkupGuard guard_;
    QElapsedTimer clock_;
    long long done_ = 0;
    Stop stop_ = Stop::None;
    MarkupGuard::Stop guardStop_ = MarkupGuard::Stop::None;
    bool ended_ = false;
};

// Why a file cannot be opened for reading, for the user; empty when it can.
QString UnreadableReason(const QString& path, const QString& shown) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        ::close(fd);
        return folder ? QStringLiteral("The file %1 cannot be read: it is a folder.").arg(shown) : QString();
    }
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR) return QStringLiteral("The file %1 does not exist.").arg(shown);
    if (e == EACCES || e == EPERM)
        return QStringLiteral("The file %1 cannot be read: you are not permitted to read it.").arg(shown);
    return QStringLiteral("The file %1 cannot be read: %2.").arg(shown, QString::fromLocal8Bit(std::strerror(e)));
}

// The XML reader of a part. It refuses elements nested past
// kWorkbookMaxDepth, as it keeps every open one; a declared encoding other
// than the one the guard watches, which the reader would switch to (the
// package format allows only UTF-8 and UTF-16); and a document type, should
// one pass the guard, before any of its entities is expanded. Every token
// of a part is read through readNext here.
class PartReader : public QXmlStreamReader {
public:
    explicit PartReader(EntryDevice* device) : QXmlStreamReader(device), device_(*device) {}
    TokenType readNext() {
        const TokenType t = QXmlStreamReader::readNext();
        switch (t) {
            case StartElement:
                if (++depth_ > kWorkbookMaxDepth)
                    refuse(QStringLiteral("its elements nest more than %1 deep").arg(kWorkbookMaxDepth));
                break;
            case EndElement: --depth_; break;
            case StartDocument:
                if (!readsAsWatched(documentEncoding()))
                    refuse(QStringLiteral("its XML declares the encoding %1, which is not the form it is written in "
                                          "(a workbook's parts are in UTF-8 or UTF-16)")
                               .arg(documentEncoding().toString()));
                break;
            case DTD: refuse(QStringLiteral("it declares a document type, which no workbook does")); break;
            default: break;
        }
        return refusal_.isEmpty() ? t : tokenType();  // a refusal ends the read
    }
    void skipCurrentElement() {
        for (int depth = 1; depth > 0 && !atEnd() && !hasError();) {
            readNext();
            depth += isStartElement() ? 1 : isEndElement() ? -1 : 0;
        }
    }
    // Why the read was refused at a limit; empty when it was not.
    const QString& refusal() const { return refusal_; }

private:
    void refuse(const QString& why) {
        refusal_ = why;
        raiseError(why);
    }
    // The reader keeps the form it found from the first bytes for these
    // names: "UTF-16" without a byte-order mark is read in the machine's
    // own byte order.
    bool readsAsWatched(QStringView declared) const {
        if (declared.isEmpty()) return true;
        const auto is = [&](const char* name) { return declared.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
        const bool hostLE = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        switch (device_.form()) {
            case MarkupGuard::Form::Bytes: return is("UTF-8");
            case MarkupGuard::Form::Utf16LE: return is("UTF-16LE") || (is("UTF-16") && (device_.byteOrderMark() || hostLE));
            case MarkupGuard::Form::Utf16BE: return is("UTF-16BE") || (is("UTF-16") && (device_.byteOrderMark() || !hostLE));
            case MarkupGuard::Form::Unknown: return false;
        }
        return false;
    }
    const EntryDevice& device_;
    int depth_ = 0;
    QString refusal_;
};

// What the guard stopped a part's read at, for the user.
QString GuardRefusal(const QString& what, const QString& part, MarkupGuard::Stop why) {
    using S = MarkupGuard::Stop;
    const auto longer = [&](const char* thing) {
        return QStringLiteral("The workbook's %1 holds %2 longer than %3 bytes, far longer than any workbook's; the "
                              "file cannot be read (%4).")
            .arg(what, QLatin1String(thing))
            .arg(kWorkbookMaxMarkupRun)
            .arg(part);
    };
    switch (why) {
        case S::LongText:
            return QStringLiteral("The workbook's %1 holds a text longer than any cell may hold (%2 characters); the "
                                  "file cannot be read.")
                .arg(what)
                .arg(kCellMaxText);
        case S::LongTag: return longer("a tag");
        case S::LongComment: return longer("a comment");
        case S::LongCData: return longer("a CDATA section");
        case S::LongInstruction: return longer("a processing instruction");
        case S::ManyAttributes:
            return QStringLiteral("The workbook's %1 cannot be read: a tag holds more than %2 attributes, far more than "
                                  "any workbook's tag (%3).")
                .arg(what)
                .arg(kWorkbookMaxAttributes)
                .arg(part);
        case S::ManyNamespaces:
            return QStringLiteral("The workbook's %1 cannot be read: it declares more than %2 namespaces at once, far "
                                  "more than any workbook (%3).")
                .arg(what)
                .arg(kWorkbookMaxNamespaces)
                .arg(part);
        case S::DocumentType:
            // Its entities could expand a few bytes into gigabytes.
            return QStringLiteral("The workbook's %1 cannot be read: it declares a document type, which no workbook "
                                  "does (%2).")
                .arg(what, part);
        case S::Encoding:
            return QStringLiteral("The workbook's %1 cannot be read: its XML is in UTF-32, and a workbook's parts are "
                                  "in UTF-8 or UTF-16 (%2).")
                .arg(what, part);
        case S::None: break;
    }
    return {};
}

QString ArchiveDamaged(const QString& what) {
    return QStringLiteral("The workbook's %1 cannot be unpacked: the archive is damaged.").arg(what);
}

}  // namespace

// The archive, open, and its entries by name in lower case, found without
// regard to case as the package format asks. It stays open for every read
// of the workbook: opening it again for each of thousands of sheets costs a
// hundred system calls each, and later reads then see the file that was
// opened even if another replaces it.
class PackageIndex {
public:
    struct Entry {
        QString name;
        unz64_file_pos pos{};
        long long size = 0;
    };
    PackageIndex() = default;
    PackageIndex(const PackageIndex&) = delete;
    PackageIndex& operator=(const PackageIndex&) = delete;
    ~PackageIndex() {
        if (zip) unzClose(zip);
    }
    unzFile zip = nullptr;
    QHash<QString, Entry> entries;
};

namespace {

// A workbook's zip archive, open for reading its parts. The entries are
// found once, when the workbook is opened, and shared by every later read.
class Package {
public:
    Package(const QString& path, const WorkbookProgress& progress, WorkbookReadBudget& budget,
            std::shared_ptr<const PackageIndex> index = {})
        : path_(path), progress_(progress), budget_(budget), index_(std::move(index)) {}
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    Outcome open(const QString& shown) {
        if (index_) {
            zip_ = index_->zip;
            return Outcome::Ok();
        }
        if (QString why = UnreadableReason(path_, shown); !why.isEmpty()) return Fail(why);
        auto index = std::make_shared<PackageIndex>();
        index->zip = zip_ = unzOpen64(QFile::encodeName(path_).constData());
        if (!zip_)
            return Fail(QStringLiteral("The file %1 is not an Excel workbook (.xlsx): it is not a zip "
                                       "archive, or the archive is damaged.")
                            .arg(shown));
        for (int r = unzGoToFirstFile(zip_); r == UNZ_OK; r = unzGoToNextFile(zip_)) {
            char name[1024];
            unz_file_info64 info{};
            unz64_file_pos pos{};
            if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
                unzGetFilePos64(zip_, &pos) != UNZ_OK)
                break;
            const QString entry = QString::fromUtf8(name);
            index->entries.insert(entry.toLower(), {entry, pos, static_cast<long long>(info.uncompressed_size)});
        }
        index_ = std::move(index);
        return Outcome::Ok();
    }
    const std::shared_ptr<const PackageIndex>& index() const { return index_; }

    // The entry's real name, or empty when the package has none by that name.
    QString find(QString name) const {
        if (name.startsWith('/')) name.remove(0, 1);
        return index_->entries.value(name.toLower()).name;
    }

    // Runs `parse` over the entry's XML; the reader's and the archive's
    // errors both count as damage, said as what they are. `parse` sets
    // `stoppedEarly` when it had enough before the entry's end.
    template <class F>
    Outcome parse(const QString& entry, const QString& what, F&& parse, const bool* stoppedEarly = nullptr) {
        const auto found = index_->entries.constFind(entry.toLower());
        if (found == index_->entries.constEnd() || unzGoToFilePos64(zip_, &found->pos) != UNZ_OK)
            return Fail(QStringLiteral("The workbook's %1 cannot be found in the archive.").arg(what));
        if (unzOpenCurrentFile(zip_) != UNZ_OK)
            return Fail(ArchiveDamaged(what));
        Outcome inner;
        QString xmlError, refusal;
        long long xmlLine = 0;
        EntryDevice::Stop stop, parseStop;
        MarkupGuard::Stop guardStop;
        bool ended;
        {
            EntryDevice device(zip_, found->size, progress_, budget_);
            PartReader xml(&device);
            inner = parse(xml);
            parseStop = device.stop();
            if (inner && xml.hasError()) {
                refusal = xml.refusal();
                xmlLine = xml.lineNumber();
                QString error = xml.errorString();
                if (error.endsWith('.')) error.chop(1);
                xmlError = QStringLiteral("broken XML in %1, line %2: %3").arg(found->name).arg(xmlLine).arg(error);
            }
            // The rest of a part read whole is unpacked for its checksum;
            // more than a little after the XML's end is damage too. After
            // broken XML a damaged archive shows soon, if that is what it is.
            if (inner && refusal.isEmpty() && !(stoppedEarly && *stoppedEarly)) {
                char rest[4096];
                const int pieces = xmlError.isEmpty() ? 16 : 256;
                for (int k = 0; k < pieces && device.stop() == EntryDevice::Stop::None && !device.ended(); ++k)
                    (void)device.read(rest, sizeof rest);
            }
            stop = device.stop();
            guardStop = device.guardStop();
            ended = device.ended();
        }
        // A part read to its end is checked against its checksum.
        const int closed = unzCloseCurrentFile(zip_);
        switch (stop) {
            case EntryDevice::Stop::Cancelled: return Outcome::Fail(kWorkbookReadCancelled);
            case EntryDevice::Stop::Guard: return Fail(GuardRefusal(what, found->name, guardStop));
            case EntryDevice::Stop::TooMuch:
            case EntryDevice::Stop::TooMuchMarkup:
                // Broken XML is said when the read had ended there.
                if (parseStop == EntryDevice::Stop::None && !xmlError.isEmpty()) break;
                if (stop == EntryDevice::Stop::TooMuchMarkup)
                    return Fail(QStringLiteral("The workbook's %1 cannot be read: the workbook holds more than %2 tags "
                                               "and attributes, far more than sheets of lines take.")
                                    .arg(what)
                                    .arg(kWorkbookMaxMarkup));
                return Fail(QStringLiteral("The workbook's %1 cannot be read: the workbook unpacks to more than %2 MB "
                                           "of XML, far more than sheets of lines take.")
                                .arg(what)
                                .arg(kWorkbookMaxXmlBytes >> 20));
            case EntryDevice::Stop::Damaged:
                return Fail(ArchiveDamaged(what));
            case EntryDevice::Stop::None: break;
        }
        if (!inner) return inner;
        if (!refusal.isEmpty())
            return Fail(QStringLiteral("The workbook's %1 cannot be read: %2 (%3, line %4).")
                            .arg(what, refusal, found->name)
                            .arg(xmlLine));
        if (stoppedEarly && *stoppedEarly) return Outcome::Ok();
        if (ended && closed != UNZ_OK)
            return Fail(ArchiveDamaged(what));
        if (!xmlError.isEmpty()) return Fail(QStringLiteral("The workbook's %1 is damaged: %2.").arg(what, xmlError));
        if (!ended)
            return Fail(ArchiveDamaged(what));
        return Outcome::Ok();
    }

private:
    QString path_;
    const WorkbookProgress& progress_;
    WorkbookReadBudget& budget_;
    std::shared_ptr<const PackageIndex> index_;
    unzFile zip_ = nullptr;  // the index's
};

// A reader fed from an archive entry that breaks off reports a premature end
// and would wait for more data for ever; any error ends the reading.
bool More(const QXmlStreamReader& xml) { return !xml.atEnd() && !xml.hasError(); }

// A name against a short literal, inline: the reader's names are compared
// a few times a cell.
template <std::size_t N>
bool Is(QStringView name, const char16_t (&literal)[N]) {
    if (name.size() != static_cast<qsizetype>(N - 1)) return false;
    for (std::size_t i = 0; i + 1 < N; ++i)
        if (name[static_cast<qsizetype>(i)].unicode() != literal[i]) return false;
    return true;
}

// Reads an attribute by its local name, whatever namespace prefix it carries.
template <std::size_t N>
QStringView LocalAttribute(const QXmlStreamAttributes& attrs, const char16_t (&local)[N]) {
    for (const QXmlStreamAttribute& a : attrs)
        if (Is(a.name(), local)) return a.value();
    return {};
}

// Relationship targets by id, and by type (the last part of the type URI).
struct Relations {
    QHash<QString, QString> byId;
    QHash<QString, QString> byType;
};

// The folder of a part, for resolving the targets its relations name.
QString PartFolder(const QString& part) {
    int slash = part.lastIndexOf('/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString ResolveTarget(const QString& folder, const QString& target) {
    if (target.startsWith('/')) return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(folder + target);
}

// Reads the relations of `part` that the reader uses: those whose id is in
// `ids`, and those of type `type`; a list of millions costs no memory.
Outcome ReadRelations(Package& pkg, const QString& part, Relations& out, const QSet<QString>& ids, QStringView type) {
    QString folder = PartFolder(part);
    QString relsName = folder + "_rels/" + part.mid(folder.size()) + ".rels";
    QString entry = pkg.find(relsName);
    if (entry.isEmpty()) return Outcome::Ok();
    return pkg.parse(entry, QStringLiteral("relation list"), [&](PartReader& xml) {
        while (More(xml)) {
            xml.readNext();
            if (xml.isStartElement() && Is(xml.name(), u"Relationship")) {
                QXmlStreamAttributes a = xml.attributes();
                if (LocalAttribute(a, u"TargetMode") == u"External") continue;
                const QStringView fullType = LocalAttribute(a, u"Type");
                const QStringView shortType = fullType.mid(fullType.lastIndexOf('/') + 1);
                const QString id = LocalAttribute(a, u"Id").toString();
                const bool byId = ids.contains(id), byType = shortType == type;
                if (!byId && !byType) continue;
                const QString target = ResolveTarget(folder, LocalAttribute(a, u"Target").toString());
                if (byId) out.byId.insert(id, target);
                if (byType) out.byType.insert(shortType.toString(), target);
            }
        }
        return Outcome::Ok();
    });
}

// Texts escape characters XML cannot hold as "_xHHHH_".
QString DecodeEscapes(const QString& s) {
    if (!s.contains(QStringLiteral("_x"))) return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            bool ok = false;
            uint code = QStringView(s).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The text of a string item (<si> or <is>): its <t> parts, rich-text runs
// joined, phonetic hints (<rPh>) left out. The reader stands on the item's
// start element and ends on its end element.
// Appends the text of the element the reader stands on and leaves it on
// the element's end; inner elements are skipped.
// Past the longest cell text nothing more is kept: the caller finds it too
// long.
void AppendElementText(PartReader& xml, QString& out) {
    while (More(xml)) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            if (out.size() <= kCellMaxText) out += xml.text();
        }
        else if (token == QXmlStreamReader::StartElement)
            xml.skipCurrentElement();
        else if (token == QXmlStreamReader::EndElement)
            return;
    }
}

QString ReadStringItem(PartReader& xml) {
    QString text;
    int depth = 1, phonetic = 0;
    while (depth > 0 && More(xml)) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (Is(xml.name(), u"rPh")) {
                ++phonetic;
            } else if (Is(xml.name(), u"t") && phonetic == 0) {
                AppendElementText(xml, text);
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (Is(xml.name(), u"rPh")) --phonetic;
        }
    }
    return DecodeEscapes(text);
}

Outcome TooLong(const QString& where) {
    return Fail(QStringLiteral("%1 holds a text of more than %2 characters, more than a workbook cell may hold.")
                    .arg(where)
                    .arg(kCellMaxText));
}

// "AB12" -> column 28, row 12; false when it is no cell reference.
bool ParseReference(QStringView ref, long long& row, long long& column) {
    qsizetype i = 0;
    column = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        char16_t ch = ref[i].toUpper().unicode();
        if (ch < u'A' || ch > u'Z') return false;
        column = column * 26 + (ch - u'A' + 1);
        if (column > kSheetMaxColumn) return false;
        ++i;
    }
    if (i == 0) return false;
    row = 0;
    if (i == ref.size()) return true;  // a column without row: the row element says
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit()) return false;
        row = row * 10 + ref[i].digitValue();
        if (row > kSheetMaxRow) return false;
    }
    return true;
}

// A number cell's value as QStringView::toDouble reads it. A plain decimal
// of up to 20 characters, as sheets mostly hold, is read here directly, to
// the same nearest double: toDouble takes a microsecond and more for each.
double CellNumber(QStringView text, bool& ok) {
    char plain[20];
    const qsizetype n = text.size();
    if (n == 0 || n > static_cast<qsizetype>(sizeof plain)) return text.toDouble(&ok);
    qsizetype i = 0, digits = 0, point = -1;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') ++digits;
        else if (c == u'-' && i == 0) {}
        else if (c == u'.' && point < 0 && digits > 0) point = i;
        else break;
        plain[i] = static_cast<char>(c);
    }
    if (i < n || digits == 0 || point == n - 1) return text.toDouble(&ok);
    double v = 0;
    ok = std::from_chars(plain, plain + n, v).ec == std::errc();
    return ok ? v : text.toDouble(&ok);
}

// Days since 30 December 1899, as the workbook stores dates: an ISO date,
// and a time after "T" whose zone, if any, is left out (the clock as
// written). Date and time are read apart: a date and time read together
// without a zone are taken as local time, whose conversions cost ten times
// the reading, for two million cells seconds.
std::optional<double> DateSerial(QStringView iso) {
    const qsizetype t = iso.indexOf(u'T');
    const QDate date = QDate::fromString(t < 0 ? iso : iso.left(t), Qt::ISODate);
    if (!date.isValid()) return std::nullopt;
    long long ms = 0;
    if (t >= 0) {
        QStringView clock = iso.mid(t + 1);
        if (clock.endsWith(u'Z')) clock.chop(1);
        else if (const qsizetype zone = std::max(clock.lastIndexOf(u'+'), clock.lastIndexOf(u'-')); zone >= 0)
            clock = clock.left(zone);
        const QTime time = QTime::fromString(clock, Qt::ISODateWithMs);
        if (!time.isValid()) return std::nullopt;
        ms = time.msecsSinceStartOfDay();
    }
    const long long days = date.toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return static_cast<double>(days * 86400000LL + ms) / 86400000.0;
}

}  // namespace

// Fills a Worksheet from a sheet part.
class SheetParser {
public:
    SheetParser(Worksheet& ws, const QString& sheet, const SheetReadOptions& options)
        : ws_(ws), sheet_(sheet), options_(options) {
        shared_ = ws_.shared_ ? ws_.shared_.get() : nullptr;
    }

    // The reader had enough before the part's end.
    const bool& stoppedEarly() const { return ws_.cut_; }

    Outcome run(PartReader& xml) {
        long long row = 0;
        bool inRow = false;
        long long column = 0;
        while (More(xml)) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                QStringView name = xml.name();
                if (Is(name, u"row")) {
                    const QXmlStreamAttributes attrs = xml.attributes();
                    QStringView r = LocalAttribute(attrs, u"r");
                    long long next = row + 1;
                    if (!r.isEmpty()) {
                        bool ok = false;
                        next = r.toLongLong(&ok);
                        if (!ok) next = 0;
                    }
                    if (next < 1 || next > kSheetMaxRow) return damaged(xml, QStringLiteral("a row number out of range"));
                    row = next;
                    column = 0;
                    inRow = true;
                    startRow(row);
                } else if (Is(name, u"c") && inRow) {
                    Outcome o = readCell(xml, row, column);
                    if (!o) return o;
                }
            } else if (token == QXmlStreamReader::EndElement && Is(xml.name(), u"row")) {
                inRow = false;
                endRow();
                // Rows out of order would mislead the question; such a sheet is read whole.
                if (options_.keepReading && inOrder() && !options_.keepReading(ws_)) {
                    ws_.cut_ = true;
                    break;
                }
            }
        }
        endRow();
        finish();
        return Outcome::Ok();
    }

private:
    Outcome damaged(PartReader& xml, const QString& what) {
        return Fail(QStringLiteral("The sheet %1 is damaged: %2 (line %3).").arg(Quoted(sheet_), what).arg(xml.lineNumber()));
    }

    QString cellName(long long row, long long column) const {
        QString letters;
        for (long long c = column; c > 0; c = (c - 1) / 26) letters.prepend(QChar(static_cast<char16_t>(u'A' + (c - 1) % 26)));
        return QStringLiteral("Cell %1%2 of the sheet %3").arg(letters).arg(row).arg(Quoted(sheet_));
    }

    // The cell types that read apart; any other is a number.
    enum class Type { Number, Shared, Inline, Str, Error, Bool, Date };

    Outcome readCell(PartReader& xml, long long row, long long& column) {
        Type type = Type::Number;
        {
            // Let go of the attributes before reading on: while a copy is
            // held, the reader copies its own list at the next element, an
            // allocation a cell.
            const QXmlStreamAttributes attrs = xml.attributes();
            QStringView ref = LocalAttribute(attrs, u"r");
            long long refRow = 0, refColumn = column + 1;
            if (!ref.isEmpty() && !ParseReference(ref, refRow, refColumn))
                return damaged(xml, QStringLiteral("the cell reference %1").arg(ref.toString()));
            if (refColumn > kSheetMaxColumn) return damaged(xml, QStringLiteral("a column beyond the last"));
            column = refColumn;
            const QStringView t = LocalAttribute(attrs, u"t");
            type = Is(t, u"s")           ? Type::Shared
                   : Is(t, u"inlineStr") ? Type::Inline
                   : Is(t, u"str")       ? Type::Str
                   : Is(t, u"e")         ? Type::Error
                   : Is(t, u"b")         ? Type::Bool
                   : Is(t, u"d")         ? Type::Date
                                         : Type::Number;
        }

        QString& value = value_;
        value.resize(0);
        QString inlineText;
        bool hasValue = false, hasInline = false, hasFormula = false;
        while (More(xml)) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (Is(xml.name(), u"v")) {
                    AppendElementText(xml, value);
                    hasValue = true;
                } else if (Is(xml.name(), u"is")) {
                    inlineText = ReadStringItem(xml);
                    hasInline = true;
                } else {
                    hasFormula = hasFormula || Is(xml.name(), u"f");
                    xml.skipCurrentElement();  // formula text, extensions
                }
            } else if (token == QXmlStreamReader::EndElement && Is(xml.name(), u"c")) {
                break;
            }
        }
        if (xml.hasError()) return Outcome::Ok();  // reported by the caller
        if (column > options_.lastColumn) return Outcome::Ok();  // not wanted
        // A formula never calculated (written by a program that does not
        // calculate) has no value yet: the cell reads as empty.
        if (hasFormula && !hasInline && QStringView(value).trimmed().isEmpty()) return Outcome::Ok();

        Worksheet::Cell cell{static_cast<int32_t>(column), CellValue::Kind::Empty, 0, 0};
        if (type == Type::Shared) {
            if (!hasValue) return Outcome::Ok();
            bool ok = false;
            long long index = QStringView(value).trimmed().toLongLong(&ok);
            if (!shared_)
                return Fail(QStringLiteral("%1 refers to the workbook's table of shared texts, which is missing: "
                                           "the workbook is damaged.")
                                .arg(cellName(row, column)));
            if (!ok || index < 0 || index >= static_cast<long long>(shared_->size()))
                return Fail(QStringLiteral("%1 refers to a shared text the workbook does not hold: the workbook is "
                                           "damaged.")
                                .arg(cellName(row, column)));
            cell.kind = CellValue::Kind::Text;
            cell.text = static_cast<int32_t>(index);
        } else if (type == Type::Inline || type == Type::Str || type == Type::Error) {
            QString text = type == Type::Inline ? (hasInline ? inlineText : DecodeEscapes(value)) : DecodeEscapes(value);
            if (type == Type::Inline && !hasInline && !hasValue) return Outcome::Ok();
            if (type == Type::Str && !hasValue) return Outcome::Ok();
            if (text.size() > kCellMaxText) return TooLong(cellName(row, column));
            cell.kind = type == Type::Error ? CellValue::Kind::Error : CellValue::Kind::Text;
            cell.text = ownText(text);
        } else if (type == Type::Bool) {
            if (!hasValue) return Outcome::Ok();
            cell.kind = CellValue::Kind::Bool;
            cell.number = QStringView(value).trimmed() == u"1" ? 1 : 0;
        } else if (type == Type::Date) {
            if (!hasValue) return Outcome::Ok();
            if (std::optional<double> serial = DateSerial(QStringView(value).trimmed())) {
                cell.kind = CellValue::Kind::Number;
                cell.number = *serial;
            } else {
                cell.kind = CellValue::Kind::Text;
                cell.text = ownText(value);
            }
        } else {
            if (!hasValue) return Outcome::Ok();  // a formatted cell without a value
            bool ok = false;
            double v = CellNumber(QStringView(value).trimmed(), ok);
            if (!ok) return damaged(xml, QStringLiteral("%1 holds no number").arg(cellName(row, column)));
            cell.kind = CellValue::Kind::Number;
            cell.number = v;
        }
        if (ws_.cells_.size() >= kWorkbookMaxValues || ownChars_ > kWorkbookMaxTextChars)
            return Fail(QStringLiteral("The sheet %1 holds more than %2 values or %3 characters of text; it "
                                       "cannot be read.")
                            .arg(Quoted(sheet_))
                            .arg(kWorkbookMaxValues)
                            .arg(kWorkbookMaxTextChars));
        ws_.cells_.push_back(cell);
        return Outcome::Ok();
    }

    int32_t ownText(const QString& text) {
        ownChars_ += static_cast<std::size_t>(text.size());
        ws_.own_.chars += text;
        ws_.own_.ends.push_back(ws_.own_.chars.size());
        return -static_cast<int32_t>(ws_.own_.size());
    }

    void startRow(long long row) {
        endRow();
        rowStart_ = static_cast<uint32_t>(ws_.cells_.size());
        currentRow_ = static_cast<int32_t>(row);
    }

    void endRow() {
        if (currentRow_ == 0) return;
        auto first = ws_.cells_.begin() + rowStart_;
        auto byColumn = [](const Worksheet::Cell& a, const Worksheet::Cell& b) { return a.column < b.column; };
        if (!std::is_sorted(first, ws_.cells_.end(), byColumn)) std::stable_sort(first, ws_.cells_.end(), byColumn);
        if (ws_.cells_.size() > rowStart_)
            ws_.rows_.push_back({currentRow_, rowStart_, static_cast<uint32_t>(ws_.cells_.size())});
        currentRow_ = 0;
    }

    void finish() {
        auto byRow = [](const Worksheet::Row& a, const Worksheet::Row& b) { return a.row < b.row; };
        if (!std::is_sorted(ws_.rows_.begin(), ws_.rows_.end(), byRow))
            std::stable_sort(ws_.rows_.begin(), ws_.rows_.end(), byRow);
        ws_.cells_.shrink_to_fit();
        ws_.own_.chars.squeeze();
        ws_.own_.ends.shrink_to_fit();
        ws_.rows_.shrink_to_fit();
    }

    bool inOrder() const {
        const std::size_t n = ws_.rows_.size();
        if (n >= 2 && ws_.rows_[n - 2].row >= ws_.rows_[n - 1].row) ordered_ = false;
        return ordered_;
    }

    Worksheet& ws_;
    QString value_;  // the cell's <v>, its buffer kept from cell to cell
    QString sheet_;
    const SheetReadOptions& options_;
    const SharedTexts* shared_;
    std::size_t ownChars_ = 0;
    mutable bool ordered_ = true;
    uint32_t rowStart_ = 0;
    int32_t currentRow_ = 0;
};

CellValue Worksheet::cell(long long row, long long column) const {
    CellValue out;
    auto r = std::lower_bound(rows_.begin(), rows_.end(), row,
                              [](const Row& a, long long want) { return a.row < want; });
    if (r == rows_.end() || r->row != row) return out;
    auto first = cells_.begin() + r->begin, last = cells_.begin() + r->end;
    auto c = std::lower_bound(first, last, column, [](const Cell& a, long long want) { return a.column < want; });
    if (c == last || c->column != column) return out;
    out.kind = c->kind;
    out.number = c->number;
    if (c->kind == CellValue::Kind::Text || c->kind == CellValue::Kind::Error) {
        if (c->text >= 0)
            out.text = shared_->at(static_cast<std::size_t>(c->text));
        else
            out.text = own_.at(static_cast<std::size_t>(-1 - c->text));
    }
    return out;
}

std::unique_ptr<Workbook> Workbook::Open(const QString& path, Outcome& outcome, const WorkbookProgress& progress) {
    const QString shown = Quoted(QFileInfo(path).fileName());
    WorkbookReadBudget budget;
    Package pkg(path, progress, budget);
    outcome = pkg.open(shown);
    if (!outcome) return nullptr;

    Relations root;
    outcome = ReadRelations(pkg, QString(), root, {}, u"officeDocument");
    if (!outcome) return nullptr;
    QString workbookPart = root.byType.value(QStringLiteral("officeDocument"));
    if (workbookPart.isEmpty() || pkg.find(workbookPart).isEmpty()) workbookPart = QStringLiteral("xl/workbook.xml");
    if (pkg.find(workbookPart).isEmpty()) {
        outcome = Fail(QStringLiteral("The file %1 is a zip archive but holds no Excel workbook.").arg(shown));
        return nullptr;
    }

    std::unique_ptr<Workbook> wb(new Workbook);
    wb->path_ = path;
    QStringList ids;
    outcome = pkg.parse(pkg.find(workbookPart), QStringLiteral("sheet list"), [&](PartReader& xml) {
        while (More(xml)) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"sheet") {
                if (wb->names_.size() >= kWorkbookMaxSheets)
                    return Fail(QStringLiteral("The workbook %1 lists more than %2 sheets; it cannot be read.")
                                    .arg(shown)
                                    .arg(kWorkbookMaxSheets));
                QXmlStreamAttributes a = xml.attributes();
                wb->names_ << LocalAttribute(a, u"name").toString();
                ids << LocalAttribute(a, u"id").toString();
            } else if (xml.name() == u"workbookView") {
                const QXmlStreamAttributes a = xml.attributes();
                QStringView tab = LocalAttribute(a, u"activeTab");
                if (!tab.isEmpty()) wb->active_ = tab.toInt();
            }
        }
        return Outcome::Ok();
    });
    if (!outcome) return nullptr;
    if (wb->names_.isEmpty()) {
        outcome = Fail(QStringLiteral("The workbook %1 holds no sheet.").arg(shown));
        return nullptr;
    }
    if (wb->active_ < 0 || wb->active_ >= wb->names_.size()) wb->active_ = 0;

    Relations rels;
    outcome = ReadRelations(pkg, workbookPart, rels, QSet<QString>(ids.begin(), ids.end()), u"sharedStrings");
    if (!outcome) return nullptr;
    for (const QString& id : ids) wb->parts_ << pkg.find(rels.byId.value(id));

    QString sharedPart = rels.byType.value(QStringLiteral("sharedStrings"));
    if (sharedPart.isEmpty()) sharedPart = PartFolder(workbookPart) + "sharedStrings.xml";
    QString sharedEntry = pkg.find(sharedPart);
    if (!sharedEntry.isEmpty()) {
        auto table = std::make_shared<SharedTexts>();
        outcome = pkg.parse(sharedEntry, QStringLiteral("table of shared texts"), [&](PartReader& xml) {
            while (More(xml)) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"sst") {
                    const QXmlStreamAttributes a = xml.attributes();
                    int count = LocalAttribute(a, u"uniqueCount").toInt();
                    if (count > 0) table->ends.reserve(std::min<std::size_t>(count, kWorkbookMaxValues));
                } else if (xml.isStartElement() && xml.name() == u"si") {
                    const QString text = ReadStringItem(xml);
                    if (text.size() > kCellMaxText) return TooLong(QStringLiteral("The workbook %1").arg(shown));
                    if (table->size() >= kWorkbookMaxValues ||
                        static_cast<std::size_t>(table->chars.size() + text.size()) > kWorkbookMaxTextChars)
                        return Fail(QStringLiteral("The workbook %1 holds more than %2 shared texts or %3 characters "
                                                   "of them; it cannot be read.")
                                        .arg(shown)
                                        .arg(kWorkbookMaxValues)
                                        .arg(kWorkbookMaxTextChars));
                    table->chars += text;
                    table->ends.push_back(table->chars.size());
                }
            }
            return Outcome::Ok();
        });
        if (!outcome) return nullptr;
        wb->shared_ = std::move(table);
    }
    wb->budget_ = budget;
    wb->index_ = pkg.index();
    outcome = Outcome::Ok();
    return wb;
}

Outcome Workbook::loadSheet(int index, Worksheet& out, const SheetReadOptions& options) const {
    out = Worksheet();
    if (index < 0 || index >= names_.size()) return Fail(QStringLiteral("The workbook has no sheet %1.").arg(index + 1));
    const QString& part = parts_[index];
    if (part.isEmpty())
        return Fail(QStringLiteral("The sheet %1 is missing from the archive: the workbook is damaged.")
                        .arg(Quoted(names_[index])));
    Package pkg(path_, options.progress, budget_, index_);
    Outcome o = pkg.open(Quoted(QFileInfo(path_).fileName()));
    if (!o) return o;
    Worksheet ws;
    ws.shared_ = shared_;
    SheetParser parser(ws, names_[index], options);
    o = pkg.parse(
        part, QStringLiteral("sheet %1").arg(Quoted(names_[index])), [&](PartReader& xml) { return parser.run(xml); },
        &parser.stoppedEarly());
    if (!o) return o;
    out = std::move(ws);
    return Outcome::Ok();
}

}  // namespace vd
