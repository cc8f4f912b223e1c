// The reading half of the spreadsheet layer: opens an .xlsx archive through
// minizip, streams each part it needs through expat, and fills the sheet
// list, the table of shared texts and a Worksheet's cells, refusing a
// damaged or hostile file with a sentence for the user at the bounds that
// workbook.h sets. The writing half is workbook_writer.cpp.
#include "platform/workbook.h"

#include <expat.h>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTime>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vd {

namespace {

QString Quoted(const QString& s) { return QStringLiteral("\"%1\"").arg(s); }

Outcome Fail(const QString& text) { return Outcome::Fail(text.toStdString()); }

QString FromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Watches a part's bytes before the parser takes them, for what the parser
// would hold whole, and stops the read there: a tag, a comment, a CDATA
// section or a processing instruction may be a megabyte at most, where a
// workbook's longest (a cell's text written out) fits many times; a text
// between two tags longer than that is no cell's either. A document type
// is refused at its first bytes, before its declarations are kept or its
// entities expanded. The part is watched in the form the parser will
// decode it in, found from its first bytes as the parser finds it: UTF-8
// (or another form that writes "<" and its kin as single bytes), UTF-16 in
// either byte order, and UTF-32, which no workbook uses.
class MarkupGuard {
public:
    enum class Stop { None, LongText, LongTag, LongComment, LongCData, LongInstruction, DocumentType, Encoding };
    enum class Form { Unknown, Bytes, Utf16LE, Utf16BE };

    Form form() const { return form_; }

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

    // The parser's own rule: a byte-order mark, else the bytes of "<".
    bool findForm() {
        const auto is = [&](std::initializer_list<unsigned char> bytes) {
            return std::equal(bytes.begin(), bytes.end(), head_);
        };
        if (is({0, 0, 0xFE, 0xFF}) || is({0xFF, 0xFE, 0, 0}) || is({0, 0, 0, '<'}) || is({'<', 0, 0, 0})) return false;
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
                const char* stop = p;
                if (*p != '<') {  // no text between two tags, as mostly
                    const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
                    stop = lt ? static_cast<const char*>(lt) : end;
                    run_ += static_cast<std::size_t>(stop - p);
                    if (run_ > limit_) return Stop::LongText;
                    if (!lt) break;
                }
                p = stop + 1;
                // Mostly a tag follows: straight into it.
                if (p < end && *p != '!' && *p != '?' && *p != '<') {
                    at_ = At::Tag;
                    tagBytes_ = 1;
                    quote_ = 0;
                    if (Stop why = scanTag(p, end); why != Stop::None) return why;
                } else {
                    opened();
                }
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
                        at_ = At::Tag;
                        tagBytes_ = 1;
                        quote_ = 0;
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

    // The bytes that end a run inside a tag, outside its values.
    static constexpr auto kTagMark = [] {
        std::array<bool, 256> mark{};
        for (const unsigned char c : {'<', '>', '"', '\''}) mark[c] = true;
        return mark;
    }();

    // Inside a tag, to its end or the piece's: its names and values are
    // passed over a run at a time, as most bytes of a sheet are here.
    Stop scanTag(const char*& p, const char* const end) {
        std::size_t bytes = tagBytes_;
        char quote = quote_;
        Stop why = Stop::None;
        while (p < end) {
            const char* q = p;
            if (quote)
                while (q < end && *q != quote && *q != '<') ++q;
            else
                while (q < end && !kTagMark[static_cast<unsigned char>(*q)]) ++q;
            bytes += static_cast<std::size_t>(q - p);
            p = q;
            if (bytes > limit_) {
                why = Stop::LongTag;
                break;
            }
            if (p == end) break;
            const char c = *p++;
            if (++bytes > limit_) {
                why = Stop::LongTag;
                break;
            }
            if (c == '<') {  // never inside a tag: the parser stops there
                opened();
                break;
            }
            if (quote) {
                quote = 0;
            } else if (c == '>') {
                at_ = At::Text;
                run_ = 0;
                break;
            } else {
                quote = c;
            }
        }
        tagBytes_ = bytes;
        quote_ = quote;
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
        at_ = section;
        closer_ = closer;
        needed_ = needed;
        closing_ = 0;
        inside_ = 0;
    }

    Form form_ = Form::Unknown;
    unsigned char head_[4] = {};
    std::size_t headSize_ = 0;
    int pending_ = -1;   // a UTF-16 unit's first byte, its second still to come
    std::string units_;  // a piece of UTF-16 as one character per unit
    std::size_t limit_ = kWorkbookMaxMarkupRun;
    At at_ = At::Text;
    std::size_t run_ = 0;  // characters of text since the last markup
    // "<" seen: "!" after it, and the rest of "<!--" or "<![CDATA[" still expected.
    bool bang_ = false;
    const char* expect_ = nullptr;
    At next_ = At::Text;
    // Inside a comment, CDATA section or instruction.
    char closer_ = 0;
    std::size_t needed_ = 0, closing_ = 0, inside_ = 0;
    // Inside a tag: its bytes so far, and the quote of the value it is in.
    std::size_t tagBytes_ = 0;
    char quote_ = 0;
};

// ---- the XML parser's memory ---------------------------------------------------

// The parser keeps every distinct element and attribute name of a part for
// as long as it reads the part, a hundred bytes and more each: millions of
// names in a few megabytes would hold gigabytes. What a parser allocates is
// counted, and refused past kWorkbookMaxParserMemory.
struct ParserMemory {
    std::size_t held = 0;
    bool exceeded = false;
};

// The parser at work on this thread: the memory functions take no argument.
thread_local ParserMemory* tParserAtWork = nullptr;

// While a parser is created or parses, its allocations count on it.
class ParserAtWork {
public:
    explicit ParserAtWork(ParserMemory& memory) : before_(std::exchange(tParserAtWork, &memory)) {}
    ~ParserAtWork() { tParserAtWork = before_; }
    ParserAtWork(const ParserAtWork&) = delete;
    ParserAtWork& operator=(const ParserAtWork&) = delete;

private:
    ParserMemory* before_;
};

// Each block carries the account it is counted on, so that it is freed
// from that account wherever it is freed.
struct alignas(std::max_align_t) BlockHead {
    ParserMemory* memory;
    std::size_t size;
};

bool Grant(ParserMemory* memory, std::size_t more) {
    if (more > kWorkbookMaxParserMemory) return false;
    if (!memory) return true;
    if (memory->held + more > kWorkbookMaxParserMemory) {
        memory->exceeded = true;
        return false;
    }
    memory->held += more;
    return true;
}

void* ParserMalloc(std::size_t n) {
    ParserMemory* memory = tParserAtWork;
    if (!Grant(memory, n)) return nullptr;
    auto* head = static_cast<BlockHead*>(std::malloc(sizeof(BlockHead) + n));
    if (!head) {
        if (memory) memory->held -= n;
        return nullptr;
    }
    *head = {memory, n};
    return head + 1;
}

void ParserFree(void* p) {
    if (!p) return;
    BlockHead* head = static_cast<BlockHead*>(p) - 1;
    if (head->memory) head->memory->held -= head->size;
    std::free(head);
}

void* ParserRealloc(void* p, std::size_t n) {
    if (!p) return ParserMalloc(n);
    BlockHead* head = static_cast<BlockHead*>(p) - 1;
    ParserMemory* memory = head->memory;
    const std::size_t was = head->size;
    if (n > was && !Grant(memory, n - was)) return nullptr;
    auto* moved = static_cast<BlockHead*>(std::realloc(head, sizeof(BlockHead) + n));
    if (!moved) {
        if (memory && n > was) memory->held -= n - was;
        return nullptr;
    }
    if (memory && n < was) memory->held -= was - n;
    moved->size = n;
    return moved + 1;
}

const XML_Memory_Handling_Suite kParserMemorySuite = {ParserMalloc, ParserRealloc, ParserFree};

// ---- one part through the parser --------------------------------------------------

// An attribute of a start tag as the readers see it: its local name (the
// prefix left out) and its value, in UTF-8. Namespace declarations are no
// attributes.
struct Attribute {
    std::string_view name;
    const char* value;  // measured only when asked for
};
using Attributes = std::span<const Attribute>;

// A name or value against a literal, inline: names are compared several
// times a cell.
template <std::size_t N>
bool Is(std::string_view s, const char (&literal)[N]) {
    return s.size() == N - 1 && std::memcmp(s.data(), literal, N - 1) == 0;
}

// The value of the attribute of that local name, whatever its prefix; empty
// when the tag has none.
template <std::size_t N>
std::string_view LocalAttribute(Attributes attrs, const char (&local)[N]) {
    for (const Attribute& a : attrs)
        if (Is(a.name, local)) return a.value;
    return {};
}

class PartRead;

// What a part's reader does with its elements and texts, by their local
// names. A failure, or having had enough before the part's end, ends the
// read.
class PartContent {
public:
    virtual ~PartContent() = default;
    virtual void start(PartRead& part, std::string_view name, Attributes attrs) = 0;
    virtual void end(PartRead&, std::string_view) {}
    virtual void text(PartRead&, std::string_view) {}
    bool stopped() const { return !failure.ok() || enough; }

    Outcome failure = Outcome::Ok();
    bool enough = false;
};

const std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// One archive entry through the XML parser, unpacked a piece at a time and
// each piece watched by a MarkupGuard before the parser takes it. It stops
// the read when the user cancels, when the archive is damaged or the entry
// shorter than it says, where the guard stops it, when the workbook's reads
// together have unpacked more XML, or parsed more markup (tags, attributes,
// comments, CDATA sections, instructions), than `budget` allows (markup
// that carries no cells costs reading time all the same), and where the
// content had enough or failed. It refuses a tag of more than
// kWorkbookMaxAttributes attributes; more than kWorkbookMaxNamespaces
// namespaces declared at once; elements nested past kWorkbookMaxDepth; a
// namespace address longer than kWorkbookMaxNamespaceUri; a declared
// encoding other than the one the guard watches (the package format allows
// only UTF-8 and UTF-16); a document type, should one pass the guard,
// before any of its entities is expanded; and a part the parser would need
// more than kWorkbookMaxParserMemory for.
//
// Namespaces are the reader's own: the parser takes names as they stand,
// and here each prefix is looked up through the namespaces in force, as
// XML's namespaces ask, without comparing addresses attribute by attribute.
// Each address declared is given a number, the same as any address in force
// equal to it; two attributes of a tag are the same when their local names
// and their addresses' numbers are.
class PartRead {
public:
    enum class Stop { None, Guard, Damaged, TooMuch, TooMuchMarkup, Cancelled };

    PartRead(unzFile zip, long long size, const WorkbookProgress& progress, WorkbookReadBudget& budget,
             PartContent& content)
        : zip_(zip), size_(size), progress_(progress), budget_(budget), content_(content) {
        ParserAtWork atWork(memory_);
        parser_ = XML_ParserCreate_MM(nullptr, &kParserMemorySuite, nullptr);
        if (!parser_) return;
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &PartRead::OnStart, &PartRead::OnEnd);
        XML_SetCharacterDataHandler(parser_, &PartRead::OnText);
        XML_SetXmlDeclHandler(parser_, &PartRead::OnDeclaration);
        XML_SetStartDoctypeDeclHandler(parser_, &PartRead::OnDocumentType);
        XML_SetCommentHandler(parser_, &PartRead::OnComment);
        XML_SetStartCdataSectionHandler(parser_, &PartRead::OnCData);
        XML_SetProcessingInstructionHandler(parser_, &PartRead::OnInstruction);
        const std::hash<std::string_view> hash;
        bindings_.push_back({"xml", hash("xml"), std::string(kXmlNamespace), hash(kXmlNamespace), 0, 0});
        inForce_ = 1;
    }
    ~PartRead() {
        if (parser_) XML_ParserFree(parser_);
    }
    PartRead(const PartRead&) = delete;
    PartRead& operator=(const PartRead&) = delete;

    // Reads the entry to its end, or until something stops it.
    void run() {
        if (!parser_) {
            broken(QStringLiteral("Out of memory"));
            return;
        }
        // Not cleared first: a workbook of thousands of sheets reads as many parts.
        const std::size_t pieceSize = std::size_t{1} << 16;
        const std::unique_ptr<char[]> piece(new char[pieceSize]);
        QElapsedTimer clock;
        clock.start();
        long long done = 0;
        while (!halted_) {
            const int n = unzReadCurrentFile(zip_, piece.get(), static_cast<unsigned>(pieceSize));
            if (n < 0) return halt(Stop::Damaged);
            if (n == 0) {
                // No more data, at the entry's end or before it: the inflated data
                // can run out short of the size the archive gives, which only the
                // end-of-entry test tells apart.
                if (unzeof(zip_) != 1) return halt(Stop::Damaged);
                ended_ = true;
                parse(nullptr, 0, true);
                return;
            }
            if ((guardStop_ = guard_.scan(piece.get(), static_cast<std::size_t>(n))) != MarkupGuard::Stop::None)
                return halt(Stop::Guard);
            if ((budget_.xmlBytes -= n) < 0) return halt(Stop::TooMuch);
            done += n;
            // The caller's progress and Esc test cost little at this rate.
            if (progress_ && (done == n || clock.elapsed() >= 30)) {
                clock.restart();
                if (!progress_(done, size_)) return halt(Stop::Cancelled);
            }
            parse(piece.get(), n, false);
        }
        // After broken XML a damaged archive shows soon, if that is what it is.
        if (!xmlError_.isEmpty()) {
            for (int k = 0; k < 256 && stop_ == Stop::None && !ended_; ++k) {
                const int n = unzReadCurrentFile(zip_, piece.get(), 4096);
                if (n < 0) stop_ = Stop::Damaged;
                else if (n == 0 && unzeof(zip_) != 1) stop_ = Stop::Damaged;
                else if (n == 0) ended_ = true;
            }
        }
    }

    Stop stop() const { return stop_; }
    MarkupGuard::Stop guardStop() const { return guardStop_; }
    bool ended() const { return ended_; }
    // Why the read was refused at a limit, and broken XML; empty when not.
    const QString& refusal() const { return refusal_; }
    const QString& xmlError() const { return xmlError_; }
    // The line the parser is at, and the line a refusal or an error was met on.
    long long line() const { return static_cast<long long>(XML_GetCurrentLineNumber(parser_)); }
    long long errorLine() const { return errorLine_; }
    // How deep the element the parser is in nests, the root 1.
    int depth() const { return depth_; }

private:
    void halt(Stop why) {
        stop_ = why;
        halted_ = true;
    }
    // Stops the parser from a handler; what follows the handler is left.
    void stopParser() {
        halted_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }
    void refuse(const QString& why) {
        refusal_ = why;
        errorLine_ = line();
        stopParser();
    }
    void broken(const QString& why) {
        xmlError_ = why;
        errorLine_ = parser_ ? line() : 0;
        if (parser_) stopParser();
        halted_ = true;
    }

    void parse(const char* data, int n, bool last) {
        XML_Status status;
        {
            ParserAtWork atWork(memory_);
            status = XML_Parse(parser_, data, n, last ? XML_TRUE : XML_FALSE);
        }
        if (status == XML_STATUS_OK || halted_) return;
        halted_ = true;
        errorLine_ = line();
        const XML_Error code = XML_GetErrorCode(parser_);
        if (code == XML_ERROR_NO_MEMORY && memory_.exceeded) {
            refusal_ = QStringLiteral("reading its XML takes more than %1 MB of memory, far more than any workbook's")
                           .arg(kWorkbookMaxParserMemory >> 20);
            return;
        }
        xmlError_ = ErrorText(code);
    }

    // The parser's errors as sentences; those a part cut short or tags that
    // do not pair give most often, in plain words.
    static QString ErrorText(XML_Error code) {
        switch (code) {
            case XML_ERROR_NO_ELEMENTS:
            case XML_ERROR_UNCLOSED_TOKEN:
            case XML_ERROR_PARTIAL_CHAR: return QStringLiteral("Premature end of document");
            case XML_ERROR_TAG_MISMATCH: return QStringLiteral("Opening and ending tag mismatch");
            default: break;
        }
        QString text = QString::fromUtf8(XML_ErrorString(code));
        if (text.isEmpty()) return QStringLiteral("Error %1").arg(static_cast<int>(code));
        text[0] = text[0].toUpper();
        return text;
    }

    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** atts) {
        static_cast<PartRead*>(self)->start(name, atts);
    }
    static void XMLCALL OnEnd(void* self, const XML_Char* name) { static_cast<PartRead*>(self)->end(name); }
    static void XMLCALL OnText(void* self, const XML_Char* s, int n) {
        auto* part = static_cast<PartRead*>(self);
        if (part->halted_) return;
        part->content_.text(*part, std::string_view(s, static_cast<std::size_t>(n)));
        if (part->content_.stopped()) part->stopParser();
    }
    static void XMLCALL OnDeclaration(void* self, const XML_Char*, const XML_Char* encoding, int) {
        auto* part = static_cast<PartRead*>(self);
        if (!part->halted_ && !part->spend(1)) return;
        if (encoding && !part->halted_ && !part->readsAsWatched(encoding))
            part->refuse(QStringLiteral("its XML declares the encoding %1, which is not the form it is written in (a "
                                        "workbook's parts are in UTF-8 or UTF-16)")
                             .arg(QString::fromUtf8(encoding)));
    }
    static void XMLCALL OnDocumentType(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        auto* part = static_cast<PartRead*>(self);
        if (!part->halted_) part->refuse(QStringLiteral("it declares a document type, which no workbook does"));
    }
    static void XMLCALL OnComment(void* self, const XML_Char*) { static_cast<PartRead*>(self)->spend(1); }
    static void XMLCALL OnCData(void* self) { static_cast<PartRead*>(self)->spend(1); }
    static void XMLCALL OnInstruction(void* self, const XML_Char*, const XML_Char*) {
        static_cast<PartRead*>(self)->spend(1);
    }

    // Counts markup against the workbook's budget; false, and the read
    // stopped, past it.
    bool spend(long long markup) {
        if (halted_) return false;
        if ((budget_.markup -= markup) >= 0) return true;
        stop_ = Stop::TooMuchMarkup;
        stopParser();
        return false;
    }

    // The parser reads the form it found from the first bytes, as the guard
    // does; a declaration of another is refused, not followed.
    bool readsAsWatched(const char* declared) const {
        const auto is = [&](const char* name) { return ::strcasecmp(declared, name) == 0; };
        switch (guard_.form()) {
            case MarkupGuard::Form::Bytes: return is("UTF-8");
            case MarkupGuard::Form::Utf16LE: return is("UTF-16LE") || is("UTF-16");
            case MarkupGuard::Form::Utf16BE: return is("UTF-16BE") || is("UTF-16");
            case MarkupGuard::Form::Unknown: return false;
        }
        return false;
    }

    static bool IsDeclaration(const char* name) {
        return name[0] == 'x' && name[1] == 'm' && name[2] == 'l' && name[3] == 'n' && name[4] == 's' &&
               (name[5] == '\0' || name[5] == ':');
    }

    void start(const char* name, const char** atts) {
        if (halted_) return;
        int count = 0;
        bool declares = false;
        for (; atts[2 * count]; ++count) declares = declares || IsDeclaration(atts[2 * count]);
        if (!spend(1 + count)) return;
        if (count > kWorkbookMaxAttributes)
            return refuse(QStringLiteral("a tag holds more than %1 attributes, far more than any workbook's tag")
                              .arg(kWorkbookMaxAttributes));
        if (++depth_ > kWorkbookMaxDepth)
            return refuse(QStringLiteral("its elements nest more than %1 deep").arg(kWorkbookMaxDepth));
        if (declares)
            for (const char** a = atts; *a; a += 2)
                if (IsDeclaration(a[0]) && !declare(a[0], a[1])) return;
        std::string_view local;
        int uri = 0;
        if (!resolve(name, local, uri)) return;
        attributes_.clear();
        prefixed_.clear();
        for (const char** a = atts; *a; a += 2) {
            if (declares && IsDeclaration(a[0])) continue;
            std::string_view attributeLocal;
            int attributeUri = -1;
            if (!resolve(a[0], attributeLocal, attributeUri)) return;
            if (attributeUri >= 0) prefixed_.push_back({attributes_.size(), attributeUri, a[0]});
            attributes_.push_back({attributeLocal, a[1]});
        }
        if (prefixed_.size() > 1 && !distinct()) return;
        content_.start(*this, local, attributes_);
        if (content_.stopped()) stopParser();
    }

    void end(const char* name) {
        if (halted_) return;
        const char* local = name;
        const char* p = name;
        for (; *p; ++p)
            if (*p == ':') local = p + 1;
        content_.end(*this, std::string_view(local, static_cast<std::size_t>(p - local)));
        while (inForce_ > 0 && bindings_[inForce_ - 1].depth == depth_) --inForce_;
        --depth_;
        if (content_.stopped()) stopParser();
    }

    // A declaration "xmlns" or "xmlns:prefix" of the element opening at depth_.
    bool declare(std::string_view name, std::string_view uri) {
        if (uri.size() > kWorkbookMaxNamespaceUri) {
            refuse(QStringLiteral("it declares a namespace whose address is longer than %1 bytes, far longer than "
                                  "any workbook's")
                       .arg(kWorkbookMaxNamespaceUri));
            return false;
        }
        // The XML namespace's binding is no declaration.
        if (inForce_ - 1 >= static_cast<std::size_t>(kWorkbookMaxNamespaces)) {
            refuse(QStringLiteral("it declares more than %1 namespaces at once, far more than any workbook")
                       .arg(kWorkbookMaxNamespaces));
            return false;
        }
        // The default namespace is kept for the count only: the addresses of
        // elements are not read, and a prefix is never empty.
        const std::string_view prefix = name.size() == 5 ? std::string_view() : name.substr(6);
        if (name.size() > 5 && (prefix.empty() || prefix.find(':') != std::string_view::npos || prefix == "xmlns" ||
                                uri.empty() || (prefix == "xml") != (uri == kXmlNamespace))) {
            broken(QStringLiteral("Illegal namespace declaration"));
            return false;
        }
        const std::hash<std::string_view> hash;
        const std::size_t uriHash = hash(uri);
        int id = nextUri_;
        for (std::size_t k = 0; k < inForce_; ++k)
            if (bindings_[k].uriHash == uriHash && bindings_[k].uri == uri) {
                id = bindings_[k].id;
                break;
            }
        if (id == nextUri_) ++nextUri_;
        if (inForce_ == bindings_.size()) bindings_.emplace_back();
        Binding& b = bindings_[inForce_++];
        b.prefix.assign(prefix);
        b.prefixHash = hash(prefix);
        b.uri.assign(uri);
        b.uriHash = uriHash;
        b.id = id;
        b.depth = depth_;
        return true;
    }

    // The local name of `name`, and the number of its prefix's address (-1
    // without a prefix); false, and the read ended, when the name is no
    // qualified name or its prefix is not declared.
    bool resolve(const char* qualified, std::string_view& local, int& uri) {
        // Names are short: measured and searched in one pass.
        const char* p = qualified;
        while (*p && *p != ':') ++p;
        if (!*p) {
            local = std::string_view(qualified, static_cast<std::size_t>(p - qualified));
            return true;
        }
        const std::string_view name(qualified);
        const std::size_t colon = static_cast<std::size_t>(p - qualified);
        local = name.substr(colon + 1);
        const std::string_view prefix = name.substr(0, colon);
        if (prefix.empty() || local.empty() || local.find(':') != std::string_view::npos) {
            broken(QStringLiteral("The name '%1' is no qualified name").arg(FromUtf8(name)));
            return false;
        }
        const std::size_t prefixHash = std::hash<std::string_view>()(prefix);
        for (std::size_t k = inForce_; k-- > 0;)
            if (bindings_[k].prefixHash == prefixHash && bindings_[k].prefix == prefix) {
                uri = bindings_[k].id;
                return true;
            }
        broken(QStringLiteral("Namespace prefix '%1' not declared").arg(FromUtf8(prefix)));
        return false;
    }

    // No two prefixed attributes of the tag share local name and address,
    // found through a table of twice their number, not by pairs.
    bool distinct() {
        std::size_t places = 8;
        while (places < 2 * prefixed_.size()) places *= 2;
        slotOf_.assign(places, -1);
        const std::hash<std::string_view> hash;
        for (std::size_t k = 0; k < prefixed_.size(); ++k) {
            const Prefixed& p = prefixed_[k];
            const std::string_view local = attributes_[p.index].name;
            std::size_t at = (hash(local) ^ static_cast<std::size_t>(p.uri) * 0x9E3779B97F4A7C15u) & (places - 1);
            for (; slotOf_[at] >= 0; at = (at + 1) & (places - 1)) {
                const Prefixed& q = prefixed_[static_cast<std::size_t>(slotOf_[at])];
                if (q.uri == p.uri && attributes_[q.index].name == local) {
                    broken(QStringLiteral("Attribute '%1' redefined").arg(QString::fromUtf8(p.qualified)));
                    return false;
                }
            }
            slotOf_[at] = static_cast<int>(k);
        }
        return true;
    }

    struct Binding {
        std::string prefix;
        std::size_t prefixHash = 0;
        std::string uri;
        std::size_t uriHash = 0;
        int id = 0, depth = 0;
    };
    struct Prefixed {
        std::size_t index;  // into attributes_
        int uri;
        const char* qualified;
    };

    ParserMemory memory_;  // outlives the parser
    XML_Parser parser_ = nullptr;
    unzFile zip_;
    long long size_;
    const WorkbookProgress& progress_;
    WorkbookReadBudget& budget_;
    PartContent& content_;
    MarkupGuard guard_;
    Stop stop_ = Stop::None;
    MarkupGuard::Stop guardStop_ = MarkupGuard::Stop::None;
    bool ended_ = false, halted_ = false;
    QString refusal_, xmlError_;
    long long errorLine_ = 0;
    int depth_ = 0;
    // The namespaces in force are bindings_[0, inForce_); entries beyond are
    // kept for their buffers.
    std::vector<Binding> bindings_;
    std::size_t inForce_ = 0;
    int nextUri_ = 1;  // 0 is the XML namespace's
    std::vector<Attribute> attributes_;
    std::vector<Prefixed> prefixed_;
    std::vector<int> slotOf_;
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

    // Reads the entry's XML into `content`; the parser's and the archive's
    // errors both count as damage, said as what they are.
    Outcome parse(const QString& entry, const QString& what, PartContent& content) {
        const auto found = index_->entries.constFind(entry.toLower());
        if (found == index_->entries.constEnd() || unzGoToFilePos64(zip_, &found->pos) != UNZ_OK)
            return Fail(QStringLiteral("The workbook's %1 cannot be found in the archive.").arg(what));
        if (unzOpenCurrentFile(zip_) != UNZ_OK)
            return Fail(ArchiveDamaged(what));
        QString xmlError, refusal;
        long long line = 0;
        PartRead::Stop stop;
        MarkupGuard::Stop guardStop;
        bool ended;
        {
            PartRead read(zip_, found->size, progress_, budget_, content);
            read.run();
            stop = read.stop();
            guardStop = read.guardStop();
            ended = read.ended();
            refusal = read.refusal();
            xmlError = read.xmlError();
            line = read.errorLine();
        }
        // A part read to its end is checked against its checksum.
        const int closed = unzCloseCurrentFile(zip_);
        switch (stop) {
            case PartRead::Stop::Cancelled: return Outcome::Fail(kWorkbookReadCancelled);
            case PartRead::Stop::Guard: return Fail(GuardRefusal(what, found->name, guardStop));
            case PartRead::Stop::TooMuchMarkup:
                return Fail(QStringLiteral("The workbook's %1 cannot be read: the workbook holds more than %2 tags "
                                           "and attributes, far more than sheets of lines take.")
                                .arg(what)
                                .arg(kWorkbookMaxMarkup));
            case PartRead::Stop::TooMuch:
                return Fail(QStringLiteral("The workbook's %1 cannot be read: the workbook unpacks to more than %2 MB "
                                           "of XML, far more than sheets of lines take.")
                                .arg(what)
                                .arg(kWorkbookMaxXmlBytes >> 20));
            case PartRead::Stop::Damaged: return Fail(ArchiveDamaged(what));
            case PartRead::Stop::None: break;
        }
        if (!content.failure) return content.failure;
        if (!refusal.isEmpty())
            return Fail(QStringLiteral("The workbook's %1 cannot be read: %2 (%3, line %4).")
                            .arg(what, refusal, found->name)
                            .arg(line));
        if (content.enough) return Outcome::Ok();
        if (ended && closed != UNZ_OK) return Fail(ArchiveDamaged(what));
        if (!xmlError.isEmpty())
            return Fail(QStringLiteral("The workbook's %1 is damaged: broken XML in %2, line %3: %4.")
                            .arg(what, found->name)
                            .arg(line)
                            .arg(xmlError));
        if (!ended) return Fail(ArchiveDamaged(what));
        return Outcome::Ok();
    }

private:
    QString path_;
    const WorkbookProgress& progress_;
    WorkbookReadBudget& budget_;
    std::shared_ptr<const PackageIndex> index_;
    unzFile zip_ = nullptr;  // the index's
};

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

// The relations of a part that the reader uses: those whose id is in
// `ids`, and those of type `type`; a list of millions costs no memory.
class RelationList : public PartContent {
public:
    RelationList(const QString& folder, Relations& out, const QSet<QString>& ids, std::string_view type)
        : folder_(folder), out_(out), ids_(ids), type_(type) {}
    void start(PartRead&, std::string_view name, Attributes attrs) override {
        if (!Is(name, "Relationship") || Is(LocalAttribute(attrs, "TargetMode"), "External")) return;
        const std::string_view fullType = LocalAttribute(attrs, "Type");
        const std::size_t slash = fullType.rfind('/');
        const std::string_view shortType = slash == std::string_view::npos ? fullType : fullType.substr(slash + 1);
        const QString id = FromUtf8(LocalAttribute(attrs, "Id"));
        const bool byId = ids_.contains(id), byType = shortType == type_;
        if (!byId && !byType) return;
        const QString target = ResolveTarget(folder_, FromUtf8(LocalAttribute(attrs, "Target")));
        if (byId) out_.byId.insert(id, target);
        if (byType) out_.byType.insert(FromUtf8(shortType), target);
    }

private:
    const QString& folder_;
    Relations& out_;
    const QSet<QString>& ids_;
    std::string_view type_;
};

Outcome ReadRelations(Package& pkg, const QString& part, Relations& out, const QSet<QString>& ids,
                      std::string_view type) {
    QString folder = PartFolder(part);
    QString relsName = folder + "_rels/" + part.mid(folder.size()) + ".rels";
    QString entry = pkg.find(relsName);
    if (entry.isEmpty()) return Outcome::Ok();
    RelationList list(folder, out, ids, type);
    return pkg.parse(entry, QStringLiteral("relation list"), list);
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

bool IsAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Text as a cell holds it, in UTF-8 as the part gives it: the most kept.
// Each character of a cell's text takes at most 7 bytes written out (an
// escape "_xHHHH_"), so a text longer than this is longer than any cell's
// once read; more is not kept.
constexpr std::size_t kMaxWrittenText = 7 * static_cast<std::size_t>(kCellMaxText);

void AppendWritten(std::string& out, std::string_view piece) {
    if (out.size() <= kMaxWrittenText) out.append(piece.substr(0, kMaxWrittenText + 1 - out.size()));
}

// The text a cell or string item holds, from its text as written: the
// escapes decoded. Plain ASCII, as mostly, is appended to `out` as it is.
void AppendCellText(QString& out, std::string_view written) {
    if (IsAscii(written) && written.find("_x") == std::string_view::npos)
        out.append(QLatin1StringView(written.data(), static_cast<qsizetype>(written.size())));
    else
        out.append(DecodeEscapes(FromUtf8(written)));
}

// The text of a string item (<si> or <is>): its <t> parts, rich-text runs
// joined, phonetic hints (<rPh>) left out, as written; elements inside a
// <t> are left out with their text. Fed the elements inside the item, at
// their depths.
class StringItem {
public:
    void reset() {
        text.clear();
        phonetic_ = textDepth_ = skipDepth_ = 0;
    }
    void start(std::string_view name, int depth) {
        if (skipDepth_) return;
        if (textDepth_) skipDepth_ = depth;
        else if (Is(name, "rPh")) ++phonetic_;
        else if (Is(name, "t") && phonetic_ == 0) textDepth_ = depth;
    }
    void end(std::string_view name, int depth) {
        if (skipDepth_) {
            if (depth == skipDepth_) skipDepth_ = 0;
        } else if (textDepth_) {
            if (depth == textDepth_) textDepth_ = 0;
        } else if (Is(name, "rPh")) {
            --phonetic_;
        }
    }
    void characters(std::string_view s) {
        if (textDepth_ && !skipDepth_) AppendWritten(text, s);
    }
    std::string text;

private:
    int phonetic_ = 0, textDepth_ = 0, skipDepth_ = 0;
};

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

// The same on the reference as written: ASCII, as always, read in place.
bool ParseReference(std::string_view ref, long long& row, long long& column) {
    if (!IsAscii(ref)) return ParseReference(QStringView(FromUtf8(ref)), row, column);
    std::size_t i = 0;
    column = 0;
    for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i) {
        column = column * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
        if (column > kSheetMaxColumn) return false;
    }
    if (i == 0) return false;
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9') return false;
        row = row * 10 + (ref[i] - '0');
        if (row > kSheetMaxRow) return false;
    }
    return true;
}

// Blanks around a value, as QString::trimmed takes them; in place for ASCII.
std::string_view TrimmedAscii(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// A whole number as QString::toLongLong reads it, blanks around it left out.
long long WholeNumber(std::string_view text, bool& ok) {
    if (IsAscii(text)) {
        const std::string_view s = TrimmedAscii(text);
        long long v = 0;
        if (!s.empty() && s.size() <= 18 && s.front() != '+' &&
            std::from_chars(s.data(), s.data() + s.size(), v).ptr == s.data() + s.size()) {
            ok = true;
            return v;
        }
    }
    return FromUtf8(text).trimmed().toLongLong(&ok);
}

// A number cell's value as QString::toDouble reads it, blanks around it
// left out. A decimal written plainly (digits, a point, an exponent), as
// sheets hold, is read here directly, to the same nearest double: toDouble
// takes a microsecond and more for each. What may read otherwise there (a
// sign "+", a value too large, too small or below the normal range, any
// other form) is left to it.
double CellNumber(std::string_view text, bool& ok) {
    // Only ASCII passes the form below; other text goes to toDouble whole.
    const std::string_view s = TrimmedAscii(text);
    if (!s.empty() && s.size() <= 64) {
        std::size_t i = s[0] == '-';
        const std::size_t digitsFrom = i;
        bool nonZero = false;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) nonZero = nonZero || s[i] != '0';
        bool plain = i > digitsFrom;
        if (plain && i < s.size() && s[i] == '.') {
            const std::size_t from = ++i;
            for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) nonZero = nonZero || s[i] != '0';
            plain = i > from;
        }
        if (plain && i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
            const std::size_t from = i;
            for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {}
            plain = i > from;
        }
        double v = 0;
        if (plain && i == s.size()) {
            const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            if (ec == std::errc() && end == s.data() + s.size() && (std::isnormal(v) || (v == 0 && !nonZero))) {
                ok = true;
                return v;
            }
        }
    }
    return FromUtf8(text).trimmed().toDouble(&ok);
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
class SheetParser : public PartContent {
public:
    SheetParser(Worksheet& ws, const QString& sheet, const SheetReadOptions& options)
        : ws_(ws), sheet_(sheet), options_(options) {
        shared_ = ws_.shared_ ? ws_.shared_.get() : nullptr;
    }

    void start(PartRead& part, std::string_view name, Attributes attrs) override {
        if (skipDepth_) return;
        const int depth = part.depth();
        if (!cellDepth_) {
            if (Is(name, "row")) startRow(part, attrs);
            else if (Is(name, "c") && inRow_) startCell(part, attrs);
        } else if (valueDepth_) {
            skipDepth_ = depth;  // elements inside a value are left out
        } else if (itemDepth_) {
            item_.start(name, depth);
        } else if (Is(name, "v")) {
            valueDepth_ = depth;
            hasValue_ = true;
        } else if (Is(name, "is")) {
            itemDepth_ = depth;
            hasInline_ = true;
            item_.reset();
        } else {
            hasFormula_ = hasFormula_ || Is(name, "f");
            skipDepth_ = depth;  // formula text, extensions
        }
    }

    void end(PartRead& part, std::string_view name) override {
        const int depth = part.depth();
        if (skipDepth_) {
            if (depth == skipDepth_) skipDepth_ = 0;
        } else if (valueDepth_) {
            valueDepth_ = 0;
        } else if (itemDepth_) {
            if (depth == itemDepth_) itemDepth_ = 0;
            else item_.end(name, depth);
        } else if (cellDepth_) {
            cellDepth_ = 0;
            endCell(part);
        } else if (Is(name, "row")) {
            inRow_ = false;
            endRow();
            // Rows out of order would mislead the question; such a sheet is read whole.
            if (options_.keepReading && inOrder() && !options_.keepReading(ws_)) {
                ws_.cut_ = true;
                enough = true;
            }
        }
    }

    void text(PartRead&, std::string_view s) override {
        if (skipDepth_) return;
        if (valueDepth_) AppendWritten(value_, s);
        else if (itemDepth_) item_.characters(s);
    }

    // Room left over from growing is given back only where it is more than
    // a quarter: giving it back copies, holding old and new at once, which
    // for a sheet that all but filled its room doubles the read's peak.
    template <class Vector>
    static void Fit(Vector& v) {
        if (v.capacity() - v.size() > v.capacity() / 4) v.shrink_to_fit();
    }

    // After the part's end, or the read stopped where the options said.
    void finish() {
        endRow();
        auto byRow = [](const Worksheet::Row& a, const Worksheet::Row& b) { return a.row < b.row; };
        if (!std::is_sorted(ws_.rows_.begin(), ws_.rows_.end(), byRow))
            std::stable_sort(ws_.rows_.begin(), ws_.rows_.end(), byRow);
        Fit(ws_.cells_);
        Fit(ws_.own_.chars);
        Fit(ws_.own_.ends);
        Fit(ws_.rows_);
    }

private:
    void damaged(PartRead& part, const QString& what) {
        failure = Fail(QStringLiteral("The sheet %1 is damaged: %2 (line %3).").arg(Quoted(sheet_), what).arg(part.line()));
    }

    QString cellName(long long row, long long column) const {
        QString letters;
        for (long long c = column; c > 0; c = (c - 1) / 26) letters.prepend(QChar(static_cast<char16_t>(u'A' + (c - 1) % 26)));
        return QStringLiteral("Cell %1%2 of the sheet %3").arg(letters).arg(row).arg(Quoted(sheet_));
    }

    void startRow(PartRead& part, Attributes attrs) {
        const std::string_view r = LocalAttribute(attrs, "r");
        long long next = row_ + 1;
        if (!r.empty()) {
            bool ok = false;
            next = WholeNumber(r, ok);
            if (!ok) next = 0;
        }
        if (next < 1 || next > kSheetMaxRow) return damaged(part, QStringLiteral("a row number out of range"));
        row_ = next;
        column_ = 0;
        inRow_ = true;
        endRow();
        rowStart_ = static_cast<uint32_t>(ws_.cells_.size());
        currentRow_ = static_cast<int32_t>(row_);
    }

    // The cell types that read apart; any other is a number.
    enum class Type { Number, Shared, Inline, Str, Error, Bool, Date };

    void startCell(PartRead& part, Attributes attrs) {
        const std::string_view ref = LocalAttribute(attrs, "r");
        long long refRow = 0, refColumn = column_ + 1;
        if (!ref.empty() && !ParseReference(ref, refRow, refColumn))
            return damaged(part, QStringLiteral("the cell reference %1").arg(FromUtf8(ref)));
        if (refColumn > kSheetMaxColumn) return damaged(part, QStringLiteral("a column beyond the last"));
        column_ = refColumn;
        const std::string_view t = LocalAttribute(attrs, "t");
        type_ = Is(t, "s")           ? Type::Shared
                : Is(t, "inlineStr") ? Type::Inline
                : Is(t, "str")       ? Type::Str
                : Is(t, "e")         ? Type::Error
                : Is(t, "b")         ? Type::Bool
                : Is(t, "d")         ? Type::Date
                                   : Type::Number;
        cellDepth_ = part.depth();
        value_.clear();
        item_.reset();
        hasValue_ = hasInline_ = hasFormula_ = false;
    }

    void endCell(PartRead& part) {
        const long long row = row_, column = column_;
        if (column > options_.lastColumn) return;  // not wanted
        const std::string_view value = value_;
        const auto blank = [](std::string_view s) { return IsAscii(s) ? TrimmedAscii(s).empty() : FromUtf8(s).trimmed().isEmpty(); };
        // A formula never calculated (written by a program that does not
        // calculate) has no value yet: the cell reads as empty.
        if (hasFormula_ && !hasInline_ && blank(value)) return;

        Worksheet::Cell cell{static_cast<int32_t>(column), CellValue::Kind::Empty, 0, 0};
        if (type_ == Type::Shared) {
            if (!hasValue_) return;
            bool ok = false;
            const long long index = WholeNumber(value, ok);
            if (!shared_) {
                failure = Fail(QStringLiteral("%1 refers to the workbook's table of shared texts, which is missing: "
                                              "the workbook is damaged.")
                                   .arg(cellName(row, column)));
                return;
            }
            if (!ok || index < 0 || index >= static_cast<long long>(shared_->size())) {
                failure = Fail(QStringLiteral("%1 refers to a shared text the workbook does not hold: the workbook is "
                                              "damaged.")
                                   .arg(cellName(row, column)));
                return;
            }
            cell.kind = CellValue::Kind::Text;
            cell.text = static_cast<int32_t>(index);
        } else if (type_ == Type::Inline || type_ == Type::Str || type_ == Type::Error) {
            if (type_ == Type::Inline && !hasInline_ && !hasValue_) return;
            if (type_ == Type::Str && !hasValue_) return;
            const std::string_view written = type_ == Type::Inline && hasInline_ ? std::string_view(item_.text) : value;
            if (written.size() > kMaxWrittenText) {
                failure = TooLong(cellName(row, column));
                return;
            }
            const qsizetype from = ws_.own_.chars.size();
            AppendCellText(ws_.own_.chars, written);
            if (ws_.own_.chars.size() - from > kCellMaxText) {
                ws_.own_.chars.truncate(from);
                failure = TooLong(cellName(row, column));
                return;
            }
            cell.kind = type_ == Type::Error ? CellValue::Kind::Error : CellValue::Kind::Text;
            cell.text = ownText(from);
        } else if (type_ == Type::Bool) {
            if (!hasValue_) return;
            cell.kind = CellValue::Kind::Bool;
            cell.number = (IsAscii(value) ? TrimmedAscii(value) == "1" : FromUtf8(value).trimmed() == u"1") ? 1 : 0;
        } else if (type_ == Type::Date) {
            if (!hasValue_) return;
            if (std::optional<double> serial = DateSerial(QStringView(FromUtf8(value).trimmed()))) {
                cell.kind = CellValue::Kind::Number;
                cell.number = *serial;
            } else {
                cell.kind = CellValue::Kind::Text;
                const qsizetype from = ws_.own_.chars.size();
                ws_.own_.chars += FromUtf8(value);
                cell.text = ownText(from);
            }
        } else {
            if (!hasValue_) return;  // a formatted cell without a value
            bool ok = false;
            const double v = value.size() > kMaxWrittenText ? 0 : CellNumber(value, ok);
            if (!ok) return damaged(part, QStringLiteral("%1 holds no number").arg(cellName(row, column)));
            cell.kind = CellValue::Kind::Number;
            cell.number = v;
        }
        if (ws_.cells_.size() >= kWorkbookMaxValues || ownChars_ > kWorkbookMaxTextChars) {
            failure = Fail(QStringLiteral("The sheet %1 holds more than %2 values or %3 characters of text; it "
                                          "cannot be read.")
                               .arg(Quoted(sheet_))
                               .arg(kWorkbookMaxValues)
                               .arg(kWorkbookMaxTextChars));
            return;
        }
        ws_.cells_.push_back(cell);
    }

    // The text appended to the sheet's own from `from` on, as a cell's.
    int32_t ownText(qsizetype from) {
        ownChars_ += static_cast<std::size_t>(ws_.own_.chars.size() - from);
        ws_.own_.ends.push_back(ws_.own_.chars.size());
        return -static_cast<int32_t>(ws_.own_.size());
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

    bool inOrder() {
        const std::size_t n = ws_.rows_.size();
        if (n >= 2 && ws_.rows_[n - 2].row >= ws_.rows_[n - 1].row) ordered_ = false;
        return ordered_;
    }

    Worksheet& ws_;
    QString sheet_;
    const SheetReadOptions& options_;
    const SharedTexts* shared_;
    std::size_t ownChars_ = 0;
    bool ordered_ = true;
    uint32_t rowStart_ = 0;
    int32_t currentRow_ = 0;
    // Where the read is: the row and column of the last cell, and the
    // depths of the open cell, its value, its inline text and an element
    // left out (0 where there is none).
    long long row_ = 0, column_ = 0;
    bool inRow_ = false;
    int cellDepth_ = 0, valueDepth_ = 0, itemDepth_ = 0, skipDepth_ = 0;
    // The open cell.
    Type type_ = Type::Number;
    bool hasValue_ = false, hasInline_ = false, hasFormula_ = false;
    std::string value_;  // its <v> as written, the buffer kept from cell to cell
    StringItem item_;    // its <is>
};

namespace {

// Reads the workbook's sheet list: names, relation ids, the active sheet.
class SheetList : public PartContent {
public:
    SheetList(QStringList& names, QStringList& ids, int& active, const QString& shown)
        : names_(names), ids_(ids), active_(active), shown_(shown) {}
    void start(PartRead&, std::string_view name, Attributes attrs) override {
        if (Is(name, "sheet")) {
            if (names_.size() >= kWorkbookMaxSheets) {
                failure = Fail(QStringLiteral("The workbook %1 lists more than %2 sheets; it cannot be read.")
                                   .arg(shown_)
                                   .arg(kWorkbookMaxSheets));
                return;
            }
            names_ << FromUtf8(LocalAttribute(attrs, "name"));
            ids_ << FromUtf8(LocalAttribute(attrs, "id"));
        } else if (Is(name, "workbookView")) {
            const std::string_view tab = LocalAttribute(attrs, "activeTab");
            if (!tab.empty()) active_ = FromUtf8(tab).toInt();
        }
    }

private:
    QStringList& names_;
    QStringList& ids_;
    int& active_;
    const QString& shown_;
};

// Reads the workbook's table of shared texts.
class SharedTextList : public PartContent {
public:
    SharedTextList(SharedTexts& table, const QString& shown) : table_(table), shown_(shown) {}
    void start(PartRead& part, std::string_view name, Attributes attrs) override {
        if (itemDepth_) {
            item_.start(name, part.depth());
        } else if (Is(name, "sst")) {
            const int count = FromUtf8(LocalAttribute(attrs, "uniqueCount")).toInt();
            if (count > 0) table_.ends.reserve(std::min<std::size_t>(count, kWorkbookMaxValues));
        } else if (Is(name, "si")) {
            itemDepth_ = part.depth();
            item_.reset();
        }
    }
    void end(PartRead& part, std::string_view name) override {
        if (!itemDepth_) return;
        if (part.depth() != itemDepth_) return item_.end(name, part.depth());
        itemDepth_ = 0;
        const qsizetype from = table_.chars.size();
        if (item_.text.size() <= kMaxWrittenText) AppendCellText(table_.chars, item_.text);
        const qsizetype length = table_.chars.size() - from;
        if (item_.text.size() > kMaxWrittenText || length > kCellMaxText) {
            table_.chars.truncate(from);
            failure = TooLong(QStringLiteral("The workbook %1").arg(shown_));
            return;
        }
        if (table_.size() >= kWorkbookMaxValues || static_cast<std::size_t>(table_.chars.size()) > kWorkbookMaxTextChars) {
            failure = Fail(QStringLiteral("The workbook %1 holds more than %2 shared texts or %3 characters "
                                          "of them; it cannot be read.")
                               .arg(shown_)
                               .arg(kWorkbookMaxValues)
                               .arg(kWorkbookMaxTextChars));
            return;
        }
        table_.ends.push_back(table_.chars.size());
    }
    void text(PartRead&, std::string_view s) override {
        if (itemDepth_) item_.characters(s);
    }

private:
    SharedTexts& table_;
    const QString& shown_;
    int itemDepth_ = 0;
    StringItem item_;
};

}  // namespace

CellValue Worksheet::cell(long long row, long long column) const {
    CellValue out;
    if (rows_.empty() || row < rows_.front().row) return out;
    // Rows and cells mostly follow each other without gaps: where the one
    // asked for stands where it would then, it is found without a search.
    auto r = rows_.begin() + std::min<long long>(row - rows_.front().row, static_cast<long long>(rows_.size()) - 1);
    if (r->row != row || (r != rows_.begin() && r[-1].row == row))  // the first of rows numbered alike
        r = std::lower_bound(rows_.begin(), rows_.end(), row, [](const Row& a, long long want) { return a.row < want; });
    if (r == rows_.end() || r->row != row) return out;
    auto first = cells_.begin() + r->begin, last = cells_.begin() + r->end;
    if (column < first->column) return out;
    auto c = first + std::min<long long>(column - first->column, last - first - 1);
    if (c->column != column || (c != first && c[-1].column == column))
        c = std::lower_bound(first, last, column, [](const Cell& a, long long want) { return a.column < want; });
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
    outcome = ReadRelations(pkg, QString(), root, {}, "officeDocument");
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
    SheetList list(wb->names_, ids, wb->active_, shown);
    outcome = pkg.parse(pkg.find(workbookPart), QStringLiteral("sheet list"), list);
    if (!outcome) return nullptr;
    if (wb->names_.isEmpty()) {
        outcome = Fail(QStringLiteral("The workbook %1 holds no sheet.").arg(shown));
        return nullptr;
    }
    if (wb->active_ < 0 || wb->active_ >= wb->names_.size()) wb->active_ = 0;

    Relations rels;
    outcome = ReadRelations(pkg, workbookPart, rels, QSet<QString>(ids.begin(), ids.end()), "sharedStrings");
    if (!outcome) return nullptr;
    for (const QString& id : ids) wb->parts_ << pkg.find(rels.byId.value(id));

    QString sharedPart = rels.byType.value(QStringLiteral("sharedStrings"));
    if (sharedPart.isEmpty()) sharedPart = PartFolder(workbookPart) + "sharedStrings.xml";
    QString sharedEntry = pkg.find(sharedPart);
    if (!sharedEntry.isEmpty()) {
        auto table = std::make_shared<SharedTexts>();
        SharedTextList texts(*table, shown);
        outcome = pkg.parse(sharedEntry, QStringLiteral("table of shared texts"), texts);
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
    o = pkg.parse(part, QStringLiteral("sheet %1").arg(Quoted(names_[index])), parser);
    if (!o) return o;
    parser.finish();
    out = std::move(ws);
    return Outcome::Ok();
}

}  // namespace vd
