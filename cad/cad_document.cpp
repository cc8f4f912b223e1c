#include "cad/cad_document.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_set>

namespace vd {

namespace {

// ASCII letters only, so that names compare alike whatever the desktop's
// locale, and without a library call per character.
char Up(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

bool MatchOne(std::string_view p, std::string_view t) {
    // Iterative '*' matching with one back-track point.
    size_t pi = 0, ti = 0, star = std::string_view::npos, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == t[ti] || Up(p[pi]) == Up(t[ti]))) {
            ++pi;
            ++ti;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ti;
        } else if (star != std::string_view::npos) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}


std::string NumberAsText(double v) {
    char buf[40];
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        // A whole number's digits; -0 keeps its sign, as printf writes it.
        char* o = buf;
        if (v == 0 && std::signbit(v)) *o++ = '-';
        return std::string(buf, std::to_chars(o, buf + sizeof buf, static_cast<long long>(v)).ptr);
    }
    // The '.' whatever the desktop's locale, as a CAD program writes it.
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15).ptr);
}

const char* const kKnownFonts[] = {"txt",      "simplex", "romans",  "romand", "romanc",  "romant",
                                   "italic",   "italicc", "italict", "complex", "monotxt", "isocp",
                                   "isocp2",   "isocp3",  "isoct",   "isoct2", "isoct3",  "isocpeur",
                                   "gothice",  "gothicg", "gothici", "scripts", "scriptc", "greeks",
                                   "greekc",   "syastro", "symap",   "symath", "symeteo", "symusic",
                                   "arial",    "times",   "courier", "tahoma", "verdana"};

}  // namespace

bool SameCadName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Up(a[i]) != Up(b[i])) return false;
    return true;
}

std::string CadNameRefusal(std::string_view name, std::string_view table) {
    if (!name.empty() && name.find_first_of("<>/\\\":;?*|,=`") == std::string_view::npos) return {};
    return "\"" + std::string(name) + "\" is not allowed as a " + std::string(table) + " name";
}

bool CadNameLess::operator()(std::string_view a, std::string_view b) const {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    // Equal bytes are equal letters: names of a common stem pass it a word at a time.
    for (uint64_t x = 0, y = 0; i + 8 <= n; i += 8) {
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) break;
    }
    for (; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const auto x = static_cast<unsigned char>(Up(a[i])), y = static_cast<unsigned char>(Up(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool CadWildcardMatch(std::string_view pattern, std::string_view text) {
    // Most filters are plain names.
    if (std::none_of(pattern.begin(), pattern.end(), [](char c) { return c == '*' || c == '?' || c == ','; }))
        return SameCadName(pattern, text);
    size_t start = 0;
    while (true) {
        size_t comma = pattern.find(',', start);
        std::string_view one = pattern.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (MatchOne(one, text)) return true;
        if (comma == std::string_view::npos) return false;
        start = comma + 1;
    }
}


// ---------------------------------------------------------------- entities

namespace {

std::string_view KindName(CadKind kind) {
    switch (kind) {
    case CadKind::Line: return "LINE";
    case CadKind::Text: return "TEXT";
    case CadKind::Solid: return "SOLID";
    case CadKind::Circle: return "CIRCLE";
    case CadKind::Polyline: return "POLYLINE";
    case CadKind::Insert: return "INSERT";
    case CadKind::Attribute: return "ATTRIB";
    case CadKind::AttributeDef: return "ATTDEF";
    }
    return "";
}

}  // namespace

std::string CadEntity::ObjectName() const { return std::string(KindName(kind)); }

void CadEntity::setLayer(const std::string& name) {
    if (name.empty()) throw CadError(caderr::InvalidInput, "A layer needs a name");
    if (doc_) {
        layer_ = doc_->Layers().Add(name).Name;
        doc_->touched();
    } else {
        layer_ = name;
    }
}

void CadEntity::SetWidth(int segment, double startWidth, double endWidth) {
    if (kind != CadKind::Polyline || segment < 0 || segment + 1 >= static_cast<int>(Vertices.size()))
        throw CadError(caderr::InvalidInput, "The polyline has no such segment");
    if (Widths.size() < Vertices.size()) Widths.resize(Vertices.size(), {0, 0});
    Widths[static_cast<size_t>(segment)] = {startWidth, endWidth};
    if (doc_) doc_->touched();
}

void CadEntity::SetXData(const std::vector<int16_t>& codes, const std::vector<XValue>& values) {
    if (codes.empty() || codes.size() != values.size() || codes[0] != 1001 ||
        !std::holds_alternative<std::string>(values[0]) || std::get<std::string>(values[0]).empty())
        throw CadError(caderr::InvalidInput, "Extended data must begin with the name of its application");
    XData data;
    data.reserve(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        XDataItem item;
        item.code = codes[i];
        bool textCode = (item.code >= 1000 && item.code <= 1009);
        bool realCode = (item.code >= 1010 && item.code <= 1042);
        bool intCode = (item.code >= 1060 && item.code <= 1071);
        if (!textCode && !realCode && !intCode)
            throw CadError(caderr::InvalidInput, "Extended data cannot hold group code " + std::to_string(item.code));
        if (i > 0 && item.code == 1001)
            throw CadError(caderr::InvalidInput, "Extended data is attached for one application at a time");
        if (const auto* s = std::get_if<std::string>(&values[i])) {
            if (!textCode) throw CadError(caderr::TypeMismatch, "A text was given for a number of the extended data");
            // NUL bytes of never-assigned fields would cut the text short in a file.
            item.text = *s;
            for (char& c : item.text)
                if (c == '\0' || c == '\r' || c == '\n') c = ' ';
        } else {
            double v = std::get<double>(values[i]);
            if (textCode) item.text = NumberAsText(v);
            else item.number = v;
        }
        data.push_back(std::move(item));
    }
    const std::string app = data[0].text;
    if (doc_) doc_->RegisterApp(app);
    if (!xdataSources_.empty())
        std::erase_if(xdataSources_, [&](const ItemSource& s) { return SameCadName(s.application, app); });
    for (auto& d : xdata_) {
        if (SameCadName(d.application, app)) {
            d.application = app;
            d.items = std::move(data);
            if (doc_) doc_->touched();
            return;
        }
    }
    xdata_.push_back({app, std::move(data)});
    if (doc_) doc_->touched();
}

XData CadEntity::GetXData(const std::string& application) const {
    const XData* d = FindXData(application);
    return d ? *d : XData{};
}

const XData* CadEntity::FindXData(std::string_view application) const {
    for (const auto& d : xdata_)
        if (SameCadName(d.application, application)) return &d.items;
    return nullptr;
}

void CadEntity::setXDataSource(const std::string& application, size_t item, const std::string& source) {
    const XData* d = FindXData(application);
    if (!d || item >= d->size()) return;
    for (auto& s : xdataSources_) {
        if (s.item == item && SameCadName(s.application, application)) {
            s.text = source;
            return;
        }
    }
    xdataSources_.push_back({(*d)[0].text, item, source});
}

std::string_view CadEntity::XDataSource(std::string_view application, size_t item) const {
    for (const auto& s : xdataSources_)
        if (s.item == item && SameCadName(s.application, application)) return s.text;
    return {};
}

void CadEntity::Erase() {
    if (erased_) throw CadError(caderr::InvalidObject, "The drawing object was erased already");
    erased_ = true;
    if (doc_) doc_->touched();
    if (owner_) owner_->dropErased(*this);
}

// ---------------------------------------------------------------- blocks

const std::vector<CadEntityPtr>& CadBlock::live() const {
    if (erasedPending_) {
        auto erased = [](const CadEntityPtr& e) { return e->erased(); };
        if (entities_.use_count() > 1) {
            auto kept = std::make_shared<std::vector<CadEntityPtr>>();
            std::copy_if(entities_->begin(), entities_->end(), std::back_inserter(*kept),
                         [&](const CadEntityPtr& e) { return !erased(e); });
            entities_ = std::move(kept);
        } else {
            std::erase_if(*entities_, erased);
        }
        erasedPending_ = false;
    }
    return *entities_;
}

void CadBlock::dropErased(CadEntity& e) {
    // The last entity, in a list nobody else holds, leaves at once, so that
    // undoing what was just added costs nothing however long the list is.
    // The list's reference may be the last: the entity is freed here, and
    // Erase touches nothing of it after.
    if (entities_.use_count() == 1 && !entities_->empty() && entities_->back().get() == &e) {
        CadEntityPtr last = std::move(entities_->back());
        entities_->pop_back();
        return;
    }
    erasedPending_ = true;
}

CadEntityList CadBlock::entities() const {
    live();
    return CadEntityList(entities_);
}

CadEntityPtr CadBlock::add(CadKind kind) {
    auto e = std::make_shared<CadEntity>(kind, doc_, this);
    live();
    // Once a held list is copied the copy is the block's own: adding many
    // copies once.
    if (entities_.use_count() > 1) entities_ = std::make_shared<std::vector<CadEntityPtr>>(*entities_);
    entities_->push_back(e);
    if (doc_) doc_->touched();
    return e;
}

CadEntityPtr CadBlock::AddLine(const CadPoint& start, const CadPoint& end) {
    auto e = add(CadKind::Line);
    e->StartPoint = start;
    e->EndPoint = end;
    return e;
}

CadEntityPtr CadBlock::AddText(const std::string& text, const CadPoint& point, double height) {
    if (!(height > 0)) throw CadError(caderr::InvalidInput, "A text needs a height above zero");
    auto e = add(CadKind::Text);
    e->TextString = text;
    e->InsertionPoint = point;
    e->TextAlignmentPoint = point;
    e->Height = height;
    return e;
}

CadEntityPtr CadBlock::AddSolid(const CadPoint& p1, const CadPoint& p2, const CadPoint& p3, const CadPoint& p4) {
    auto e = add(CadKind::Solid);
    e->Corners = {p1, p2, p3, p4};
    return e;
}

CadEntityPtr CadBlock::AddCircle(const CadPoint& centre, double radius) {
    if (!(radius > 0)) throw CadError(caderr::InvalidInput, "A circle needs a radius above zero");
    auto e = add(CadKind::Circle);
    e->InsertionPoint = centre;
    e->Radius = radius;
    return e;
}

CadEntityPtr CadBlock::AddPolyline(const std::vector<double>& xyz) {
    if (xyz.size() < 6 || xyz.size() % 3 != 0)
        throw CadError(caderr::InvalidInput, "A polyline needs two or more points");
    auto e = add(CadKind::Polyline);
    for (size_t i = 0; i + 2 < xyz.size(); i += 3) e->Vertices.push_back({xyz[i], xyz[i + 1], xyz[i + 2]});
    e->Widths.assign(e->Vertices.size(), {0, 0});
    return e;
}

CadEntityPtr CadBlock::AddAttribute(double height, int mode, const std::string& prompt, const CadPoint& point,
                                    const std::string& tag, const std::string& value) {
    if (tag.empty() || tag.find(' ') != std::string::npos)
        throw CadError(caderr::InvalidInput, "The attribute tag \"" + tag + "\" is empty or holds a blank");
    if (!(height > 0)) throw CadError(caderr::InvalidInput, "An attribute needs a height above zero");
    auto e = add(CadKind::AttributeDef);
    e->Height = height;
    e->Mode = mode;
    e->PromptString = prompt;
    e->InsertionPoint = point;
    e->TextAlignmentPoint = point;
    e->TagString = tag;
    e->TextString = value;
    return e;
}

CadEntityPtr CadBlock::InsertBlock(const CadPoint& point, const std::string& name, double xScale, double yScale,
                                   double zScale, double rotation) {
    if (!doc_) throw CadError(caderr::ObjectNotSet, "The block belongs to no drawing");
    CadBlock& def = doc_->Blocks().Item(name);
    if (&def == this) throw CadError(caderr::InvalidInput, "A block cannot hold a reference to itself");
    auto e = add(CadKind::Insert);
    e->Name = def.Name;
    e->InsertionPoint = point;
    e->XScale = xScale;
    e->YScale = yScale;
    e->ZScale = zScale;
    e->Rotation = rotation;
    const double c = std::cos(rotation), s = std::sin(rotation);
    for (const auto& d : def.entities()) {
        if (d->kind != CadKind::AttributeDef) continue;
        auto a = std::make_shared<CadEntity>(CadKind::Attribute, doc_, nullptr);
        auto place = [&](const CadPoint& p) {
            double dx = (p[0] - def.Origin[0]) * xScale, dy = (p[1] - def.Origin[1]) * yScale;
            return CadPoint{point[0] + dx * c - dy * s, point[1] + dx * s + dy * c,
                            point[2] + (p[2] - def.Origin[2]) * zScale};
        };
        a->InsertionPoint = place(d->InsertionPoint);
        a->TextAlignmentPoint = place(d->TextAlignmentPoint);
        a->TagString = d->TagString;
        a->TextString = d->TextString;
        a->Height = d->Height * yScale;
        a->Rotation = d->Rotation + rotation;
        a->Alignment = d->Alignment;
        a->StyleName = d->StyleName;
        a->Color = d->Color;
        a->layer_ = d->layer_;
        a->Mode = d->Mode;
        e->attributes_.push_back(a);
    }
    return e;
}

CadEntityPtr CadBlock::AddBlockReference(const std::string& name) {
    if (!doc_) throw CadError(caderr::ObjectNotSet, "The block belongs to no drawing");
    CadBlock& def = doc_->Blocks().Item(name);
    if (&def == this) throw CadError(caderr::InvalidInput, "A block cannot hold a reference to itself");
    auto e = add(CadKind::Insert);
    e->Name = def.Name;
    return e;
}

CadEntityPtr CadBlock::Item(int index) const {
    if (index < 0 || index >= Count()) throw CadError(caderr::InvalidInput, "There is no item at that position");
    return live()[static_cast<size_t>(index)];
}

bool CadBlock::IsModelSpace() const { return doc_ && &doc_->ModelSpace() == this; }

void CadBlock::Delete() {
    if (!doc_) throw CadError(caderr::ObjectNotSet, "The block belongs to no drawing");
    if (IsModelSpace()) throw CadError(caderr::InvalidInput, "Model space cannot be deleted");
    for (const auto& b : doc_->Blocks().all())
        for (const auto& e : b->entities())
            if (e->kind == CadKind::Insert && SameCadName(e->Name, Name))
                throw CadError(caderr::ObjectReferenced, "The block \"" + Name + "\" is still used in the drawing");
    // Entities still held by a caller must not reach back into a freed block.
    for (auto& e : live()) {
        e->owner_ = nullptr;
        e->erased_ = true;
    }
    auto& index = doc_->blocks_.index_;
    if (auto named = index.find(Name); named != index.end() && named->second == this) index.erase(named);
    auto& v = doc_->blocks_.blocks_;
    CadDocument* doc = doc_;
    v.erase(std::remove_if(v.begin(), v.end(), [this](const std::unique_ptr<CadBlock>& b) { return b.get() == this; }),
            v.end());
    doc->touched();  // 'this' is gone
}

// ---------------------------------------------------------------- tables

void CadTextStyle::setFontFile(const std::string& file) {
    std::string base = file;
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) base = base.substr(slash + 1);
    std::string lower;
    for (char c : base) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto ends = [&](const char* ext) {
        std::string e(ext);
        return lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
    };
    if (ends(".shx") || ends(".ttf") || ends(".otf")) lower = lower.substr(0, lower.rfind('.'));
    bool known = ends(".ttf") || ends(".otf");
    for (const char* f : kKnownFonts)
        if (lower == f) known = true;
    if (!known) throw CadError(caderr::InvalidInput, "The font file \"" + file + "\" was not found");
    fontFile_ = file;
}

namespace {

template <class T>
T* Indexed(const std::map<std::string, T*, CadNameLess>& index, std::string_view name) {
    auto found = index.find(name);
    return found == index.end() ? nullptr : found->second;
}

}  // namespace

CadLayers::CadLayers(CadDocument* doc) : doc_(doc) {
    layers_.push_back(std::make_unique<CadLayer>(CadLayer{"0", 7}));
    index_.emplace(layers_.back()->Name, layers_.back().get());
}

CadLayer* CadLayers::Find(std::string_view name) { return Indexed(index_, name); }
const CadLayer* CadLayers::Find(std::string_view name) const { return Indexed(index_, name); }

CadLayer& CadLayers::Add(const std::string& name) {
    const auto at = index_.lower_bound(name);
    if (at != index_.end() && SameCadName(at->first, name)) return *at->second;
    if (std::string refused = CadNameRefusal(name, "layer"); !refused.empty())
        throw CadError(caderr::InvalidInput, refused);
    int colour = 7;
    bool numeric = !name.empty() && name.size() <= 3 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
    if (numeric) {
        int v = std::stoi(name);
        if (v >= 1 && v <= 255) colour = v;
    }
    layers_.push_back(std::make_unique<CadLayer>(CadLayer{name, colour}));
    index_.emplace_hint(at, name, layers_.back().get());
    if (doc_) doc_->touched();
    return *layers_.back();
}

CadLayer& CadLayers::Item(const std::string& name) {
    if (CadLayer* l = Find(name)) return *l;
    throw CadError(caderr::KeyNotFound, "The drawing has no layer \"" + name + "\"");
}

CadTextStyles::CadTextStyles(CadDocument* doc) : doc_(doc) {
    styles_.push_back(std::make_unique<CadTextStyle>());
    styles_.back()->Name = "STANDARD";
    index_.emplace(styles_.back()->Name, styles_.back().get());
}

CadTextStyle* CadTextStyles::Find(std::string_view name) { return Indexed(index_, name); }
const CadTextStyle* CadTextStyles::Find(std::string_view name) const { return Indexed(index_, name); }

CadTextStyle& CadTextStyles::Add(const std::string& name) {
    const auto at = index_.lower_bound(name);
    if (at != index_.end() && SameCadName(at->first, name)) return *at->second;
    if (std::string refused = CadNameRefusal(name, "text style"); !refused.empty())
        throw CadError(caderr::InvalidInput, refused);
    styles_.push_back(std::make_unique<CadTextStyle>());
    styles_.back()->Name = name;
    index_.emplace_hint(at, name, styles_.back().get());
    if (doc_) doc_->touched();
    return *styles_.back();
}

CadTextStyle& CadTextStyles::Item(const std::string& name) {
    if (CadTextStyle* s = Find(name)) return *s;
    throw CadError(caderr::KeyNotFound, "The drawing has no text style \"" + name + "\"");
}

CadBlock* CadBlocks::Find(std::string_view name) { return Indexed(index_, name); }
const CadBlock* CadBlocks::Find(std::string_view name) const { return Indexed(index_, name); }

CadBlock& CadBlocks::append(const CadPoint& origin, const std::string& name) {
    blocks_.push_back(std::make_unique<CadBlock>(doc_, name, origin));
    index_.emplace(name, blocks_.back().get());
    return *blocks_.back();
}

CadBlock& CadBlocks::Add(const CadPoint& origin, const std::string& name) {
    if (CadBlock* b = Find(name)) return *b;
    if (std::string refused = CadNameRefusal(name, "block"); !refused.empty())
        throw CadError(caderr::InvalidInput, refused);
    CadBlock& b = append(origin, name);
    if (doc_) doc_->touched();
    return b;
}

CadBlock& CadBlocks::Item(const std::string& name) {
    if (CadBlock* b = Find(name)) return *b;
    throw CadError(caderr::KeyNotFound, "The drawing has no block \"" + name + "\"");
}

CadBlock& CadBlocks::Item(int index) {
    if (index < 0 || index >= Count()) throw CadError(caderr::InvalidInput, "There is no item at that position");
    return *blocks_[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------- selection

CadSelectionFilter::CadSelectionFilter(const std::vector<int16_t>& filterTypes,
                                       const std::vector<std::string>& filterValues) {
    if (filterTypes.size() != filterValues.size())
        throw CadError(caderr::InvalidInput, "The selection filter gives a different number of group codes and values");
    constexpr unsigned kAllKinds = (1u << (static_cast<unsigned>(CadKind::AttributeDef) + 1)) - 1;
    kinds_ = kAllKinds;
    for (size_t i = 0; i < filterTypes.size(); ++i) {
        const int16_t t = filterTypes[i];
        if (t != 0 && t != 2 && t != 8)
            throw CadError(caderr::InvalidInput, "A selection cannot filter by group code " + std::to_string(t));
        const std::string& v = filterValues[i];
        if (v.empty()) continue;
        if (t == 0) {
            // The entity types a pattern takes, worked out once.
            unsigned taken = 0;
            for (unsigned k = 0; (1u << k) & kAllKinds; ++k)
                if (CadWildcardMatch(v, KindName(static_cast<CadKind>(k)))) taken |= 1u << k;
            kinds_ &= taken;
        } else if (t == 2) {
            kinds_ &= 1u << static_cast<unsigned>(CadKind::Insert);
            blockNames_.push_back(v);
        } else {
            layers_.push_back({v, {}, false});
        }
    }
}

bool CadSelectionFilter::operator()(const CadEntity& e) const {
    if (!((kinds_ >> static_cast<unsigned>(e.kind)) & 1u)) return false;
    for (const auto& name : blockNames_)
        if (!CadWildcardMatch(name, e.Name)) return false;
    for (auto& l : layers_) {
        // Runs of entities share a layer: the last answer serves them.
        if (!l.known || l.last != e.layer()) {
            l.last = e.layer();
            l.taken = CadWildcardMatch(l.pattern, l.last);
            l.known = true;
        }
        if (!l.taken) return false;
    }
    return true;
}

void CadSelectionSet::Select(int mode, const std::vector<int16_t>& filterTypes,
                             const std::vector<std::string>& filterValues) {
    if (mode != 5) throw CadError(caderr::InvalidInput, "Only the whole drawing can be selected");
    const CadSelectionFilter passes(filterTypes, filterValues);
    // A second selection into the set adds only what is not in it yet.
    const bool adding = !items_.empty();
    std::unordered_set<const CadEntity*> held(items_.begin(), items_.end());
    const CadBlock& space = doc_->ModelSpace();
    for (const auto& e : space.live())
        if (passes(*e) && (!adding || held.insert(e.get()).second)) items_.push_back(e.get());
    if (lists_.empty() || lists_.back() != space.entities_) lists_.push_back(space.entities_);
}

CadEntityPtr CadSelectionSet::Item(int index) const {
    if (index < 0 || index >= Count()) throw CadError(caderr::InvalidInput, "There is no item at that position");
    return std::const_pointer_cast<CadEntity>(items_[static_cast<size_t>(index)]->shared_from_this());
}

void CadSelectionSet::Delete() {
    auto& v = doc_->SelectionSets().sets_;
    v.erase(std::remove_if(v.begin(), v.end(), [this](const std::unique_ptr<CadSelectionSet>& s) { return s.get() == this; }),
            v.end());
}

CadSelectionSet& CadSelectionSets::Add(const std::string& name) {
    for (auto& s : sets_)
        if (SameCadName(s->Name, name)) throw CadError(caderr::DuplicateKey, "A selection set \"" + name + "\" exists already");
    sets_.push_back(std::make_unique<CadSelectionSet>(doc_, name));
    return *sets_.back();
}

CadSelectionSet& CadSelectionSets::Item(const std::string& name) {
    for (auto& s : sets_)
        if (SameCadName(s->Name, name)) return *s;
    throw CadError(caderr::KeyNotFound, "The drawing has no selection set \"" + name + "\"");
}

// ---------------------------------------------------------------- document

CadPoint CadUtility::GetPoint(const std::string& prompt) {
    CadApplication* app = doc_ ? doc_->application() : nullptr;
    std::optional<CadPoint> p;
    if (app && !app->pendingPoints.empty()) {
        p = app->pendingPoints.front();
        app->pendingPoints.pop_front();
    } else if (app && app->host()) {
        p = app->host()->cadGetPoint(prompt);
    }
    if (!p) throw CadError(caderr::UserCancelled, "No point was given");
    return *p;
}

CadDocument::CadDocument(CadApplication* app, std::string name)
    : Name(std::move(name)), app_(app), blocks_(this), layers_(this), styles_(this), sets_(this), utility_(this) {
    blocks_.append({0, 0, 0}, "*Model_Space");
    RegisterApp("ACAD");
    modified_ = false;
}

void CadDocument::RegisterApp(const std::string& name) {
    if (appIndex_.insert(name).second) apps_.push_back(name);
}

void CadDocument::touched() { modified_ = true; }

void CadDocument::setModified(bool m) { modified_ = m; }

std::vector<std::string> CadDocument::LossesIfSavedTo(const std::string& path) const {
    if (incompleteSource.empty() || loadWarnings.empty()) return {};
    std::error_code ec;
    const bool same = path == incompleteSource || std::filesystem::equivalent(path, incompleteSource, ec);
    return same ? loadWarnings : std::vector<std::string>{};
}

void CadDocument::SaveAs(const std::string& path) {
    const std::vector<std::string> losses = LossesIfSavedTo(path);
    if (!losses.empty()) {
        std::string list;
        for (const auto& l : losses) list += "\n" + l;
        throw CadError(75, "\"" + path + "\" holds what this drawing could not read; saving over it would lose:" + list +
                               "\nSave the drawing under a new name instead.");
    }
    SaveDxfDocument(*this, path);
    FullName = path;
    size_t slash = path.find_last_of('/');
    Name = slash == std::string::npos ? path : path.substr(slash + 1);
    modified_ = false;
}

// ---------------------------------------------------------------- application

CadApplication::CadApplication() = default;
CadApplication::~CadApplication() = default;

void CadApplication::Attach() {
    if (!doc_) throw CadError(caderr::NoServer, kNoDrawingOpen);
}

void CadApplication::Create() {
    if (!doc_) NewDocument();
}

CadDocument& CadApplication::ActiveDocument() {
    if (!doc_) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
    return *doc_;
}

CadDocument& CadApplication::NewDocument() {
    ++untitled_;
    doc_ = std::make_unique<CadDocument>(this, "Drawing" + std::to_string(untitled_) + ".dxf");
    Update();
    return *doc_;
}

CadDocument& CadApplication::OpenDocument(const std::string& path) {
    auto d = LoadDxfDocument(path, this);
    doc_ = std::move(d);
    Update();
    return *doc_;
}

void CadApplication::CloseDocument() {
    doc_.reset();
    Update();
}

void CadApplication::setVisible(bool v) {
    visible_ = v;
    if (host_) host_->cadShow(v);
}

std::string CadApplication::Caption() const {
    return "Drawing - " + (doc_ ? doc_->Name : std::string("(none)"));
}

void CadApplication::AppActivate(const std::string& caption) {
    if (caption != Caption()) throw CadError(5, "No window has the caption \"" + caption + "\"");
    if (host_) host_->cadActivate();
}

void CadApplication::ZoomExtents() {
    if (host_) host_->cadZoomExtents();
}

void CadApplication::ZoomWindow(const CadPoint& lowerLeft, const CadPoint& upperRight) {
    if (host_) host_->cadZoomWindow(lowerLeft[0], lowerLeft[1], upperRight[0], upperRight[1]);
}

void CadApplication::Update() {
    if (host_) host_->cadChanged();
}

void CadApplication::ShowAdded() {
    if (host_) host_->cadAdded();
}

}  // namespace vd
