#include "profile_drawing/cfgplot.h"

#include <functional>

#include "cad/cad_document.h"
#include "engine/design_constants.h"
#include "engine/number_text.h"
#include "profile_drawing/context.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/output.h"

namespace vd {

namespace {

constexpr double kDegrees = kDesignPi / 180;

class BlockMaker {
public:
    BlockMaker(const Model& m, CadDocument& d, UiSink& ui) : S(m.ObjectStyles), d_(d), ui_(ui) {}

    void run() {
        layersAndStyles();
        bool have[8] = {};
        for (const auto& b : d_.Blocks().all())
            for (int i = 0; i < 8; ++i)
                if (SameCadName(b->Name, kProfileBlockNames[i])) have[i] = true;
        auto missing = [&](const char* name) {
            for (int i = 0; i < 8; ++i)
                if (SameCadName(name, kProfileBlockNames[i])) return !have[i];
            return true;
        };
        if (missing("TABLE")) table();
        if (missing("TITLE")) title();
        if (missing("TEXT1")) text1();
        if (missing("TEXT2")) text2();
        if (missing("FROM")) from();
        if (missing("NEXTPIPE")) nextPipe();
        if (missing("KADR")) kadr();
        if (missing("RL")) rl();
    }

private:
    // One statement under the method's error trap: refusals the drawing
    // gives for a bad name or value are skipped; anything else is shown and
    // tried once more, never again.
    void step(const std::function<void()>& f) {
        try {
            f();
        } catch (const CadError& e) {
            switch (e.number()) {
                case caderr::InvalidInput:
                    if (lastStyle_) {
                        try {
                            lastStyle_->setFontFile("ROMANS");
                        } catch (const CadError&) {
                        }
                    }
                    return;
                case caderr::ObjectNotSet:
                case caderr::InvalidObject:
                case caderr::TypeMismatch: return;
                default: break;
            }
            ui_.MessageBox(e.what());
            try {
                f();
            } catch (const std::exception&) {
            }
        } catch (const std::exception& e) {
            ui_.MessageBox(e.what());
            try {
                f();
            } catch (const std::exception&) {
            }
        }
    }

    std::string layerOf(int r) const { return ColourLayerName(S[r].Color); }
    bool visible(int r) const { return S[r].Visible.view() == "Y"; }
    double rowY(int r) const { return 16 - Val(StyleText(S[r].RowLocate)); }

    void addLayer(int r) {
        step([&] { d_.Layers().Add(layerOf(r)).Color = ColourIndex(S[r].Color); });
    }

    void layersAndStyles() {
        step([&] { d_.Layers().Add("9").Color = 9; });
        for (int r = 1; r <= 20; ++r) {
            if (visible(r)) addLayer(r);
            const std::string name = StyleText(S[r].StyleName);
            if (name.empty()) continue;
            step([&] {
                lastStyle_ = &d_.TextStyles().Add(name);
                lastStyle_->setFontFile(name);
            });
        }
        for (int r = 21; r <= 25; ++r)
            if (S[r].Color >= 0) addLayer(r);
    }

    CadBlock* newBlock(const char* name) {
        CadBlock* b = nullptr;
        step([&] { b = &d_.Blocks().Add({0, 0, 0}, name); });
        return b;
    }

    void line(CadBlock& b, CadPoint a, CadPoint z, const std::string& layer, bool byLayer) {
        CadEntityPtr e;
        step([&] { e = b.AddLine(a, z); });
        if (!e) return;
        step([&] { e->setLayer(layer); });
        if (byLayer) e->Color = 256;
    }

    CadEntityPtr attribute(CadBlock& b, double height, const std::string& prompt, CadPoint at, const std::string& tag,
                           const std::string& value) {
        CadEntityPtr e;
        step([&] { e = b.AddAttribute(height, 0, prompt, at, tag, value); });
        return e;
    }

    // A row's attribute in TEXT1 or TEXT2.
    CadEntityPtr rowAttribute(CadBlock& b, int r, CadPoint at, const std::string& tag, bool middle) {
        CadEntityPtr e = attribute(b, 20, tag, at, tag, "");
        if (!e) return e;
        step([&] { e->Height = StyleTextHeight(S[r]); });
        if (middle) {
            e->Alignment = 4;
            e->TextAlignmentPoint = at;
        }
        e->Rotation = S[r].Rotate * kDegrees;
        step([&] { e->setLayer(layerOf(r)); });
        e->Color = 256;
        return e;
    }

    void table() {
        CadBlock* b = newBlock("table");
        if (!b) return;
        line(*b, {0, 0, 0}, {1, 0, 0}, layerOf(23), false);
        for (int r = 1; r <= 16; ++r)
            if (visible(r)) line(*b, {0, rowY(r), 0}, {1, rowY(r), 0}, layerOf(23), true);
    }

    void title() {
        CadBlock* b = newBlock("title");
        if (!b) return;
        line(*b, {0, 0, 0}, {-5, 0, 0}, layerOf(23), false);
        for (int r = 1; r <= 16; ++r) {
            if (!visible(r)) continue;
            const double y = rowY(r);
            line(*b, {0, y, 0}, {-5, y, 0}, layerOf(23), true);
            const std::string name = S[r].EntityName.unassigned() ? std::string() : S[r].EntityName.str();
            CadEntityPtr t;
            step([&] { t = b->AddText(name, {-5, y + S[r].TextHeight, 0}, 0.5); });
            if (!t) continue;
            step([&] { t->setLayer(layerOf(r)); });
            t->Color = 256;
        }
    }

    void text1() {
        CadBlock* b = newBlock("Text1");
        if (!b) return;
        for (int r = 1; r <= 16; ++r) {
            if (!visible(r)) continue;
            const double y = rowY(r);
            line(*b, {0, y + S[r].DivideLen, 0}, {0, y, 0}, layerOf(23), true);
            const std::string hspace = StyleText(S[r].HSpace);
            if (UpperCase(hspace).find('M') != std::string::npos) continue;
            const std::string tag = StyleText(S[r].EntityName);
            if (tag.empty()) continue;  // a row without a name has no attribute to fill
            const CadPoint at{Val(hspace) - 0.1, y + S[r].TextHeight, 0};
            rowAttribute(*b, r, at, tag, S[r].VSpace == 1);
            if (r == 3 || r == 9 || r == 10 || r == 11) rowAttribute(*b, r, {at[0] + 0.5, at[1], 0}, tag + "1", false);
        }
    }

    void text2() {
        CadBlock* b = newBlock("Text2");
        if (!b) return;
        line(*b, {0, 0, 0}, {0, 0, 0}, layerOf(23), false);
        for (int r = 1; r <= 16; ++r) {
            if (!visible(r)) continue;
            const std::string hspace = StyleText(S[r].HSpace);
            const auto m = UpperCase(hspace).find('M');
            if (m == std::string::npos) continue;
            const CadPoint at{Val(hspace.substr(m + 1)), rowY(r) + S[r].TextHeight, 0};
            rowAttribute(*b, r, at, StyleText(S[r].EntityName), true);
        }
    }

    struct NoteAttribute {
        const char* prompt;
        const char* tag;
        CadPoint at;
    };
    void noteBlock(const char* name, double height, double rotation, const NoteAttribute (&list)[4]) {
        CadBlock* b = newBlock(name);
        if (!b) return;
        line(*b, {0, 0, 0}, {0, 0, 0}, layerOf(23), false);
        for (const auto& a : list) {
            CadEntityPtr e = attribute(*b, height, a.prompt, a.at, a.tag, " ");
            if (!e) continue;
            e->Rotation = rotation;
            step([&] { e->setLayer(layerOf(2)); });
            e->Color = 256;
        }
    }

    void from() {
        static const NoteAttribute list[4] = {{"INV", "INV", {-0.1, -0.9, 0}},
                                              {"DWG#", "DWG", {0.3, -0.3, 0}},
                                              {"From", "MH", {-0.1, -2.8, 0}},
                                              {"DIA-Slope", "DIAS", {0.3, -2.8, 0}}};
        noteBlock("From", 0.18, 90 * kDegrees, list);
    }

    void nextPipe() {
        static const NoteAttribute list[4] = {{"Manhole", "MH", {1, 1.3, 0}},
                                              {"Dia", "Dia", {1, 0.8, 0}},
                                              {"Slope", "Slope", {1, -0.8, 0}},
                                              {"DWG#", "DWG", {1, -1.4, 0}}};
        noteBlock("NextPIPE", 0.2, 0, list);
    }

    void kadr() {
        CadBlock* b = newBlock("Kadr");
        if (!b) return;
        line(*b, {0, 0, 0}, {84, 0, 0}, layerOf(23), false);
        attribute(*b, 0.2, "DWG#", {0, 0, 0}, "DWG", " ");
    }

    void rl() {
        CadBlock* b = newBlock("Rl");
        if (!b) return;
        line(*b, {0.1, 0, 0}, {0.1, 2, 0}, layerOf(23), true);
        line(*b, {0, 0, 0}, {0, 2, 0}, layerOf(23), true);
        CadEntityPtr p;
        step([&] { p = b->AddPolyline({0.05, 0, 0, 0.05, 1, 0}); });
        if (!p) return;
        step([&] { p->setLayer(layerOf(23)); });
        p->Color = 1;
        step([&] { p->SetWidth(0, 0.1, 0.1); });
    }

    const std::array<ObjectStyle, 27>& S;
    CadDocument& d_;
    UiSink& ui_;
    CadTextStyle* lastStyle_ = nullptr;
};

}  // namespace

void DefineProfileBlocks(const Model& m, CadDocument* drawing, UiSink& ui) {
    if (!drawing) return;
    BlockMaker(m, *drawing, ui).run();
}

void cfgplot(DrawContext& ctx) {
    ctx.v.LKeySwitch = 0;
    DefineProfileBlocks(ctx.m, ctx.Out.Acad, *ctx.m.Ui);
}

}  // namespace vd
