// The program's own CAD drawing: an in-process document with the automation
// calls the plan exchange and the profile drawing make (application, drawing,
// model space, layers, blocks, text styles, selection sets, point prompt).
// It is shown in the "Drawing" window and kept on disk as DXF, so that any
// CAD program can edit the drawing between two commands.
//
// Failures are CadError, a RuntimeError carrying the numbers the callers
// choose their handling by. Names of layers, blocks, text styles, extended
// data applications and selection filters compare without regard to case;
// attribute tags keep theirs.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "engine/errors.h"
#include "engine/ui_sink.h"

namespace vd {

using CadPoint = std::array<double, 3>;

namespace caderr {
inline constexpr int TypeMismatch = 13;
inline constexpr int ObjectNotSet = 91;
inline constexpr int NoServer = 429;                  // no drawing to attach to
inline constexpr int KeyNotFound = -2145386476;       // 0x80200014
inline constexpr int InvalidInput = -2145386445;      // 0x80200033
inline constexpr int ObjectReferenced = -2145386239;  // 0x80200101
inline constexpr int InvalidObject = -2145320939;     // 0x80210015
inline constexpr int DuplicateKey = -2145320851;      // 0x8021006D
inline constexpr int ServerFailed = -2145320900;      // 0x8021003C
inline constexpr int Disconnected = -2147417848;      // 0x80010108
inline constexpr int UserCancelled = -2147352567;     // 0x80020009, Esc at a prompt
}  // namespace caderr

class CadError : public RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

// What a command that needs a drawing says when none is open.
inline constexpr const char* kNoDrawingOpen = "No drawing is open.";

// A UTF-8 text in the program's Latin-1, characters outside it written as
// "<U+010C>", so that a log can show what a reader had to replace.
std::string DescribeUtf8(std::string_view utf8);

// Case-insensitive name comparison of the drawing's tables.
bool SameCadName(std::string_view a, std::string_view b);
// Why a table of the drawing takes no entry of that name (table "layer",
// "text style" or "block"); "" when it takes it.
std::string CadNameRefusal(std::string_view name, std::string_view table);
// The order of names that SameCadName takes as one, for the tables' indexes:
// a search costs a logarithm of the names, whatever names a file holds.
struct CadNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
// Filter match: '*' any run, '?' one character, ',' alternatives; no case.
bool CadWildcardMatch(std::string_view pattern, std::string_view text);

// One extended data value: group code and either text or a number.
struct XDataItem {
    int16_t code = 1000;
    std::string text;
    double number = 0;
    bool isText() const { return code >= 1000 && code <= 1009; }
};
using XData = std::vector<XDataItem>;

// One application's extended data, its name kept beside the items so that a
// look-up reads no item of another application.
struct CadXData {
    std::string application;  // item 0's text
    XData items;
};

// A value handed to SetXData: a text or a number. A number under a text code
// is stored as its decimal text.
using XValue = std::variant<std::string, double>;

enum class CadKind { Line, Text, Solid, Circle, Polyline, Insert, Attribute, AttributeDef };

class CadDocument;
class CadBlock;

class CadEntity : public std::enable_shared_from_this<CadEntity> {
public:
    CadEntity(CadKind kind, CadDocument* doc, CadBlock* owner) : kind(kind), doc_(doc), owner_(owner) {}

    const CadKind kind;

private:
    // What selections and data look-ups test, at the head of the entity, so
    // that a walk over a large drawing reads one place of each.
    std::string layer_ = "0";
    std::vector<CadXData> xdata_;

public:
    // The DXF type name: "LINE", "TEXT", "SOLID", "CIRCLE", "POLYLINE", "INSERT", "ATTRIB", "ATTDEF".
    std::string ObjectName() const;

    // A layer that does not exist yet is created; a numeric name gets that colour.
    const std::string& layer() const { return layer_; }
    void setLayer(const std::string& name);

    int Color = 256;  // 256 by layer, 0 by block
    CadPoint StartPoint{}, EndPoint{};           // LINE
    CadPoint InsertionPoint{};                   // TEXT, INSERT, ATTRIB, ATTDEF; CIRCLE centre
    CadPoint TextAlignmentPoint{};               // TEXT, ATTRIB, ATTDEF when Alignment > 0
    std::array<CadPoint, 4> Corners{};           // SOLID
    double Radius = 0;                           // CIRCLE
    std::vector<CadPoint> Vertices;              // POLYLINE
    std::vector<std::array<double, 2>> Widths;   // POLYLINE, start and end width per vertex
    std::string TextString;                      // TEXT, ATTRIB; ATTDEF default
    std::string TextStringSource;                // as XDataItem::sourceText, for TextString
    std::string TagString, PromptString;         // ATTRIB, ATTDEF
    std::string StyleName = "STANDARD";
    double Height = 1;
    double Rotation = 0;                         // radians
    int Alignment = 0;                           // AutoCAD acAlignment values 0 to 14
    int Mode = 0;                                // ATTDEF flags
    std::string Name;                            // INSERT: the block referenced
    double XScale = 1, YScale = 1, ZScale = 1;   // INSERT

    // POLYLINE segment widths; a segment outside the polyline is InvalidInput.
    void SetWidth(int segment, double startWidth, double endWidth);
    // INSERT: its attribute references, in definition order.
    std::vector<std::shared_ptr<CadEntity>> GetAttributes() const { return attributes_; }
    bool HasAttributes() const { return !attributes_.empty(); }
    // The reader fills the list from the file.
    std::vector<std::shared_ptr<CadEntity>>& attributeList() { return attributes_; }

    // Item 0 must be code 1001 with the application name; the application is
    // registered in the drawing. Replaces earlier data of that application.
    void SetXData(const std::vector<int16_t>& codes, const std::vector<XValue>& values);
    // The reader notes the file's own UTF-8 text of an item in which it had
    // to replace characters outside Latin-1 by '?'. Kept beside the data,
    // since almost no item has one; new data of the application drops them.
    void setXDataSource(const std::string& application, size_t item, const std::string& source);
    // That text, or "" when the item was read as it stands.
    std::string_view XDataSource(std::string_view application, size_t item) const;
    // The data of one application, item 0 its name; empty when there is none.
    XData GetXData(const std::string& application) const;
    // The same without a copy; null when there is none.
    const XData* FindXData(std::string_view application) const;
    // Every application's data, in the order they were attached.
    const std::vector<CadXData>& AllXData() const { return xdata_; }

    void Erase();
    bool erased() const { return erased_; }
    CadDocument* document() const { return doc_; }

private:
    friend class CadBlock;
    friend class CadDocument;
    std::vector<std::shared_ptr<CadEntity>> attributes_;
    struct ItemSource {
        std::string application;
        size_t item;
        std::string text;
    };
    std::vector<ItemSource> xdataSources_;
    CadDocument* doc_;
    CadBlock* owner_;
    bool erased_ = false;
};
using CadEntityPtr = std::shared_ptr<CadEntity>;

// A block's entities as they stood when taken. The block leaves a list alone
// while it is held and goes on with a copy, so a walk over one keeps its
// entities and its order whatever the walk erases or adds.
class CadEntityList {
public:
    using List = std::vector<CadEntityPtr>;
    explicit CadEntityList(std::shared_ptr<const List> list) : list_(std::move(list)) {}
    List::const_iterator begin() const { return list_->begin(); }
    List::const_iterator end() const { return list_->end(); }
    size_t size() const { return list_->size(); }
    bool empty() const { return list_->empty(); }
    const CadEntityPtr& operator[](size_t i) const { return (*list_)[i]; }
    const CadEntityPtr& front() const { return list_->front(); }
    const CadEntityPtr& back() const { return list_->back(); }

private:
    std::shared_ptr<const List> list_;
};

// Model space and every block definition: a named list of entities.
class CadBlock {
public:
    CadBlock(CadDocument* doc, std::string name, CadPoint origin) : Name(std::move(name)), Origin(origin), doc_(doc) {}

    std::string Name;
    CadPoint Origin;

    CadEntityPtr AddLine(const CadPoint& start, const CadPoint& end);
    CadEntityPtr AddText(const std::string& text, const CadPoint& point, double height);
    CadEntityPtr AddSolid(const CadPoint& p1, const CadPoint& p2, const CadPoint& p3, const CadPoint& p4);
    CadEntityPtr AddCircle(const CadPoint& centre, double radius);
    // Points as x, y, z triples, flat as the automation call takes them.
    CadEntityPtr AddPolyline(const std::vector<double>& xyz);
    CadEntityPtr AddAttribute(double height, int mode, const std::string& prompt, const CadPoint& point,
                              const std::string& tag, const std::string& value);
    // Attribute references are made from the block's definitions, in order,
    // at the insertion point plus the scaled definition point. A missing block
    // is KeyNotFound.
    CadEntityPtr InsertBlock(const CadPoint& point, const std::string& name, double xScale = 1,
                             double yScale = 1, double zScale = 1, double rotation = 0);
    // A reference to the block at the origin without attribute references,
    // for a reader that gives them from its file; KeyNotFound as InsertBlock.
    CadEntityPtr AddBlockReference(const std::string& name);

    int Count() const { return static_cast<int>(live().size()); }
    CadEntityPtr Item(int index) const;  // 0-based; out of range is InvalidInput
    CadEntityList entities() const;
    bool IsModelSpace() const;

    // Removes the definition from the drawing; refused (ObjectReferenced)
    // while a block reference in the drawing uses it.
    void Delete();

private:
    friend class CadEntity;
    friend class CadDocument;
    friend class CadSelectionSet;
    CadEntityPtr add(CadKind kind);
    // The entities without the erased ones. Erased entities leave the list
    // when it is next looked at, so that erasing many of them stays linear.
    const std::vector<CadEntityPtr>& live() const;
    // An entity of the block was erased.
    void dropErased(CadEntity& e);
    // Shared with the entity lists handed out and with the selection sets
    // made from it, which keep its entities alive without a reference each:
    // a list one of them still holds is never changed, neither by erased
    // entities leaving nor by new ones; the block goes on with a copy.
    mutable std::shared_ptr<std::vector<CadEntityPtr>> entities_ = std::make_shared<std::vector<CadEntityPtr>>();
    mutable bool erasedPending_ = false;
    CadDocument* doc_;
};

struct CadLayer {
    std::string Name;
    int Color = 7;
};

struct CadTextStyle {
    std::string Name;
    // Setting a file that names no font is InvalidInput, as a CAD program
    // answers a font it cannot load.
    void setFontFile(const std::string& file);
    const std::string& fontFile() const { return fontFile_; }
    std::string fontFile_ = "txt";
};

// The tables of layers, text styles and blocks keep their entries in the
// order they were added and find them by name through an index; an entry's
// Name may change its case, never its letters.
class CadLayers {
public:
    explicit CadLayers(CadDocument* doc);
    // Returns the existing layer of that name, or a new one with colour 7.
    CadLayer& Add(const std::string& name);
    CadLayer& Item(const std::string& name);  // KeyNotFound when missing
    CadLayer* Find(std::string_view name);
    const CadLayer* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(layers_.size()); }
    const std::vector<std::unique_ptr<CadLayer>>& all() const { return layers_; }

private:
    std::vector<std::unique_ptr<CadLayer>> layers_;
    std::map<std::string, CadLayer*, CadNameLess> index_;
    CadDocument* doc_;
};

class CadTextStyles {
public:
    explicit CadTextStyles(CadDocument* doc);
    CadTextStyle& Add(const std::string& name);
    CadTextStyle& Item(const std::string& name);  // KeyNotFound when missing
    CadTextStyle* Find(std::string_view name);
    const CadTextStyle* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(styles_.size()); }
    const std::vector<std::unique_ptr<CadTextStyle>>& all() const { return styles_; }

private:
    std::vector<std::unique_ptr<CadTextStyle>> styles_;
    std::map<std::string, CadTextStyle*, CadNameLess> index_;
    CadDocument* doc_;
};

class CadBlocks {
public:
    explicit CadBlocks(CadDocument* doc) : doc_(doc) {}
    // Returns the existing definition of that name, or a new empty one.
    CadBlock& Add(const CadPoint& origin, const std::string& name);
    CadBlock& Item(const std::string& name);  // KeyNotFound when missing
    CadBlock* Find(std::string_view name);
    const CadBlock* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(blocks_.size()); }
    CadBlock& Item(int index);  // 0-based; InvalidInput out of range
    const std::vector<std::unique_ptr<CadBlock>>& all() const { return blocks_; }

private:
    friend class CadBlock;
    friend class CadDocument;
    CadBlock& append(const CadPoint& origin, const std::string& name);
    std::vector<std::unique_ptr<CadBlock>> blocks_;
    std::map<std::string, CadBlock*, CadNameLess> index_;
    CadDocument* doc_;
};

// A selection filter of group codes 0 (entity type), 2 (block name) and 8
// (layer); an empty value sets no condition. Bad codes are InvalidInput.
class CadSelectionFilter {
public:
    CadSelectionFilter(const std::vector<int16_t>& filterTypes, const std::vector<std::string>& filterValues);
    bool operator()(const CadEntity& e) const;

private:
    struct LayerTest {
        std::string pattern;
        std::string last;  // the layer last tested, and its answer
        bool known = false, taken = false;
    };
    unsigned kinds_ = 0;  // bit per CadKind
    std::vector<std::string> blockNames_;
    mutable std::vector<LayerTest> layers_;
};

class CadSelectionSet {
public:
    CadSelectionSet(CadDocument* doc, std::string name) : Name(std::move(name)), doc_(doc) {}
    std::string Name;
    // Mode 5 (the whole drawing) with a filter of group codes 0 (entity type),
    // 2 (block name) and 8 (layer); an empty value sets no condition. Other
    // modes need a pick on screen and are InvalidInput here.
    void Select(int mode, const std::vector<int16_t>& filterTypes, const std::vector<std::string>& filterValues);
    int Count() const { return static_cast<int>(items_.size()); }
    CadEntityPtr Item(int index) const;  // 0-based
    // The selected entities in order, to walk without taking a reference each.
    const std::vector<const CadEntity*>& entities() const { return items_; }
    void Clear() {
        items_.clear();
        lists_.clear();
    }
    // Removes the set from the drawing's named sets.
    void Delete();

private:
    std::vector<const CadEntity*> items_;
    // The model space lists the items were taken from: they keep them alive,
    // erased or not, for as long as the set holds them.
    std::vector<std::shared_ptr<const std::vector<CadEntityPtr>>> lists_;
    CadDocument* doc_;
};

class CadSelectionSets {
public:
    explicit CadSelectionSets(CadDocument* doc) : doc_(doc) {}
    CadSelectionSet& Add(const std::string& name);  // DuplicateKey when the name exists
    CadSelectionSet& Item(const std::string& name);  // KeyNotFound when missing
    int Count() const { return static_cast<int>(sets_.size()); }

private:
    friend class CadSelectionSet;
    std::vector<std::unique_ptr<CadSelectionSet>> sets_;
    CadDocument* doc_;
};

class CadApplication;

class CadUtility {
public:
    explicit CadUtility(CadDocument* doc) : doc_(doc) {}
    // Asks for a point: answered by a click in the Drawing window or typed
    // coordinates; Esc is UserCancelled.
    CadPoint GetPoint(const std::string& prompt);

private:
    CadDocument* doc_;
};

class CadDocument {
public:
    explicit CadDocument(CadApplication* app = nullptr, std::string name = "Drawing1.dxf");
    CadDocument(const CadDocument&) = delete;
    CadDocument& operator=(const CadDocument&) = delete;

    std::string Name;      // file name without folder
    std::string FullName;  // full path, empty until saved or opened

    void Activate() {}
    CadBlock& ModelSpace() { return *blocks_.all().front(); }
    const CadBlock& ModelSpace() const { return *blocks_.all().front(); }
    CadLayers& Layers() { return layers_; }
    const CadLayers& Layers() const { return layers_; }
    CadBlocks& Blocks() { return blocks_; }
    const CadBlocks& Blocks() const { return blocks_; }
    CadTextStyles& TextStyles() { return styles_; }
    const CadTextStyles& TextStyles() const { return styles_; }
    CadSelectionSets& SelectionSets() { return sets_; }
    CadUtility& Utility() { return utility_; }

    // Application names registered by extended data, as first written.
    const std::vector<std::string>& RegisteredApps() const { return apps_; }
    void RegisterApp(const std::string& name);

    // Changed since opened or saved.
    bool modified() const { return modified_; }
    void setModified(bool m);
    CadApplication* application() const { return app_; }

    // DXF, through the one reader/writer pair (cad_dxf.cpp).
    // Save writes a temporary file and renames it; a failure is a CadError
    // and leaves the old file as it was. Saving over the file this drawing
    // was read from, when the load could not take all of it over, is refused
    // (a CadError naming what would be lost): it must go to a new file.
    void SaveAs(const std::string& path);
    // Texts on what a load could not take over (unknown entities and so on).
    std::vector<std::string> loadWarnings;
    // The file the drawing was read from when loadWarnings is not empty.
    std::string incompleteSource;
    // What saving to path would lose: the load warnings when path is that file.
    std::vector<std::string> LossesIfSavedTo(const std::string& path) const;

private:
    friend class CadEntity;
    friend class CadBlock;
    friend class CadLayers;
    friend class CadTextStyles;
    friend class CadBlocks;
    void touched();
    CadApplication* app_;
    CadBlocks blocks_;
    CadLayers layers_;
    CadTextStyles styles_;
    CadSelectionSets sets_;
    CadUtility utility_;
    std::vector<std::string> apps_;
    std::set<std::string, CadNameLess> appIndex_;
    bool modified_ = false;
};

// Reads an ASCII DXF file (R12 to current) into a new document. A file that
// is not an ASCII DXF, or ends early, is a CadError with a clear message; what
// the reader could not take over is listed in loadWarnings.
std::unique_ptr<CadDocument> LoadDxfDocument(const std::string& path, CadApplication* app = nullptr);
// The document as the text of an ASCII DXF file (R12 layout).
std::string DxfText(const CadDocument& doc);
// Writes the document as an ASCII DXF (R12 layout) to path as it stands,
// through the program's one atomic save; a failure is a CadError naming path.
void SaveDxfDocument(const CadDocument& doc, const std::string& path);

// What the Drawing window does for the application: show, raise, fit, repaint
// and ask for a point.
class CadHost {
public:
    virtual ~CadHost() = default;
    virtual void cadShow(bool visible) = 0;
    virtual void cadActivate() = 0;
    virtual void cadZoomExtents() = 0;
    // Frames the plan area from (x0, y0) to (x1, y1).
    virtual void cadZoomWindow(double x0, double y0, double x1, double y1) = 0;
    virtual void cadChanged() = 0;
    // Entities were added to model space and nothing shown before changed
    // (the layer table aside): a window may draw just the new ones.
    virtual void cadAdded() { cadChanged(); }
    // nullopt when the user cancelled.
    virtual std::optional<CadPoint> cadGetPoint(const std::string& prompt) = 0;
};

// The stand-in for the CAD automation server: one drawing at a time.
class CadApplication {
public:
    CadApplication();
    ~CadApplication();

    // The running-object attach: NoServer (429) when no drawing is open.
    void Attach();
    // Starting a server: opens a new empty drawing when none is open; an open
    // drawing is kept, so nothing unsaved is lost.
    void Create();
    bool HasDocument() const { return doc_ != nullptr; }
    // ObjectNotSet (91) when no drawing is open.
    CadDocument& ActiveDocument();

    // Replaces the drawing (the window asks about unsaved changes first).
    CadDocument& NewDocument();
    CadDocument& OpenDocument(const std::string& path);
    void CloseDocument();

    bool Visible() const { return visible_; }
    void setVisible(bool v);
    std::string Caption() const;
    void AppActivate(const std::string& caption);
    void ZoomExtents();
    // Frames what a command drew, whatever else the drawing holds.
    void ZoomWindow(const CadPoint& lowerLeft, const CadPoint& upperRight);
    // Tells the window that the drawing changed.
    void Update();
    // Tells the window that entities were added to model space and nothing
    // else it shows changed, apart from layer colours.
    void ShowAdded();

    void setHost(CadHost* host) { host_ = host; }
    CadHost* host() const { return host_; }

    // Headless answers for GetPoint, taken before the window is asked;
    // nullopt answers as Esc.
    std::deque<std::optional<CadPoint>> pendingPoints;

    // The sheet grid the read-backs last found in a drawing ("Sheetindex"
    // data); kept across drawings and project resets. SheetSize 0: none known.
    double SheetOriginX = 0, SheetOriginY = 0, SheetSize = 0;

private:
    friend class CadUtility;
    std::unique_ptr<CadDocument> doc_;
    CadHost* host_ = nullptr;
    bool visible_ = false;
    int untitled_ = 0;
};

}  // namespace vd
