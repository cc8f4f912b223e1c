// The connection to the drawing, the plan drawing ("ACAD") and the plan
// synchronisation.
#include <cmath>
#include <functional>
#include <optional>

#include "engine/number_text.h"
#include "workspace/acad_commands.h"
#include "workspace/acad_shared.h"

namespace vd {

namespace {

struct LayerColour {
    const char* name;
    int colour;  // 0: left as it is
};
const LayerColour kConnectLayers[] = {{"EDIT", 0},  {"sewer", 1},   {"area", 6}, {"area-trakom", 3},
                                      {"trakom", 5}, {"POP-TXT", 4}, {"GELV", 2}};
const char* const kPlanLayers[] = {"VORLAN", "sewer", "MH-TEXT", "Cordinate", "out-Dia", "out-Slope", "LATRAL"};

// A step that the drawing refuses with ServerFailed is run again after a new
// start, a few times at most.
constexpr int kStepTries = 3;

}  // namespace

std::string XText(const FixedTextView& f) {
    std::string s(f);
    for (char& c : s)
        if (c == '\0') c = ' ';
    return s;
}

double XNumber(const XData& d, size_t item) {
    if (item >= d.size()) return 0;
    return d[item].isText() ? Val(d[item].text) : d[item].number;
}

std::string XString(const XData& d, size_t item) {
    if (item >= d.size()) return "";
    if (d[item].isText()) return d[item].text;
    return FloatText(static_cast<float>(d[item].number));
}

int ProgressOf(double fraction) {
    double v = RoundHalfEven(fraction * 100.0);
    return v < 0 ? 0 : v > 100 ? 100 : static_cast<int>(v);
}

CadSelectionSet& FreshSelectionSet(CadDocument& doc, const std::string& name) {
    for (int tries = 0;; ++tries) {
        try {
            return doc.SelectionSets().Add(name);
        } catch (const CadError& e) {
            if (e.number() != caderr::DuplicateKey || tries >= kStepTries) throw;
            doc.SelectionSets().Item(name).Delete();
        }
    }
}

Outcome ConnectAutoCAD(Model& m, CadApplication& app) {
    (void)m;
    std::string why;
    auto unreachable = [&] {
        return Outcome::Fail("The drawing could not be reached" + (why.empty() ? std::string(".") : ": " + why));
    };
    try {
        app.Attach();
    } catch (const CadError& e) {
        why = e.what();
        if (e.number() != caderr::NoServer) return unreachable();
        try {
            app.Create();
        } catch (const CadError& again) {
            why = again.what();
            return unreachable();
        }
    }
    // Each step runs in the handler's terms: ServerFailed starts anew and runs
    // the step again; anything else leaves silently.
    auto step = [&](const std::function<void()>& run) {
        for (int tries = 0;; ++tries) {
            try {
                run();
                return true;
            } catch (const CadError& e) {
                why = e.what();
                if (e.number() != caderr::ServerFailed || tries >= kStepTries) return false;
                try {
                    app.Create();
                } catch (const CadError&) {
                    return false;
                }
            }
        }
    };
    if (!step([&] { app.ActiveDocument().ModelSpace(); })) return unreachable();
    if (!step([&] {
            app.setVisible(true);
            app.AppActivate(app.Caption());
        }))
        return unreachable();
    for (const auto& l : kConnectLayers)
        if (!step([&] {
                CadLayer& layer = app.ActiveDocument().Layers().Add(l.name);
                if (l.colour) layer.Color = l.colour;
            }))
            return unreachable();
    if (!step([&] {
            auto t = app.ActiveDocument().ModelSpace().AddText("VORLAN-Profile", {0, 0, 0}, 100);
            t->setLayer("0");
            t->StyleName = "standard";
        }))
        return unreachable();
    if (!step([&] { app.ActiveDocument().Layers().Add("Error"); })) return unreachable();
    bool ok = step([&] {
        CadDocument& doc = app.ActiveDocument();
        try {
            doc.Blocks().Item("Endblock");
        } catch (const CadError& e) {
            if (e.number() != caderr::KeyNotFound) throw;
            doc.Blocks().Add({0, 0, 0}, "Endblock");
        }
    });
    // Layers, the marker text and a block definition were added; what the
    // window shows changed only where a plan layer took its colour again,
    // which the window sees itself.
    app.ShowAdded();
    return ok ? Outcome::Ok() : unreachable();
}

void DefineInOutBlock(CadDocument& doc) {
    // A definition already there is complete; adding its parts again would
    // give every reference a second set of attributes.
    if (doc.Blocks().Find("IN-OUT")) return;
    CadBlock& b = doc.Blocks().Add({0, 0, 0}, "IN-OUT");
    b.AddCircle({0, 0, 0}, 0.5);
    struct Def {
        const char* prompt;
        const char* tag;
        double y;
    };
    const Def defs[] = {{"Diameter", "DIA", 2}, {"Slope", "Slope", 1}, {"INV.EL", "INV", -1}, {"AREA1", "Area1", -2},
                        {"AREA2", "Area2", -3}, {"Pop1", "P1", -4},    {"Pop2", "P2", -5}};
    for (const auto& d : defs) b.AddAttribute(1, 0, d.prompt, {0, d.y, 0}, d.tag, "");
    b.AddLine({0, 1, 0}, {1, 0, 0});
}

void delobject(Model& m, CadApplication& app) {
    try {
        CadDocument& doc = app.ActiveDocument();
        doc.Activate();
        AppendLog(m, "Active Document =" + doc.Name);
        AppendLog(m, "Draw plan sewer line  ");
        for (const char* name : kPlanLayers) doc.Layers().Add(name);
        CadSelectionSet& set = FreshSelectionSet(doc, "TEST3");
        set.Select(5, {0, 8}, {"Line", "sewer"});
        const int count = set.Count();
        for (int n = 1; n <= count; ++n) {
            m.Ui->SetProgress(ProgressOf(static_cast<double>(n) / count));
            CadEntityPtr e = set.Item(n - 1);
            // Only the program's own plan lines go; other lines the user keeps
            // on the layer stay.
            if (IsPlanLine(*e) && !e->erased()) e->Erase();
        }
    } catch (const CadError& e) {
        if (e.number() == caderr::InvalidInput) {
            try {
                DefineInOutBlock(app.ActiveDocument());
            } catch (const CadError&) {
            }
            return;
        }
        m.Ui->MessageBox(e.what());
        throw;
    }
}

bool IsPlanLine(const CadEntity& e) {
    return e.kind == CadKind::Line && (e.FindXData("SEWER") || e.FindXData("DUV") || e.FindXData("DORADO"));
}

void drawline(Model& m, CadApplication& app) {
    CadBlock& space = app.ActiveDocument().ModelSpace();
    const int count = std::min(m.LineCount, std::min(m.LineUpper(), m.LinkUpper()));
    const XValue zero = 0.0;
    // The data's layouts are the same for every line.
    std::vector<int16_t> codes(21, 1040);
    codes[0] = 1001;
    for (int c : {1, 2, 8, 15, 20}) codes[static_cast<size_t>(c)] = 1000;
    std::vector<int16_t> duvCodes(11, 1040);
    duvCodes[0] = 1001;
    duvCodes[8] = duvCodes[10] = 1000;
    std::vector<XValue> v(21, zero), duv(11, zero);
    for (int i = 1; i <= count; ++i) {
        m.Ui->SetProgress(ProgressOf(static_cast<double>(i) / count));
        const LineRecord& l = m.Lines[static_cast<size_t>(i)];
        const LinkRecord& k = m.Links[static_cast<size_t>(i)];
        auto line = space.AddLine({l.X1, l.Y1, l.Gr1}, {l.X2, l.Y2, l.Gr2});
        line->setLayer("sewer");
        line->Color = l.Level;
        const std::string from = XText(l.From.view()), to = XText(l.to.view()), lat = XText(l.Latral.view());
        const float crown = l.Gr1 - l.Inv1 - l.Dia / 1000.0f;
        std::fill(v.begin(), v.end(), zero);
        v[0] = std::string("SEWER");
        v[1] = from;
        v[2] = to;
        v[8] = lat;
        v[9] = double(l.Dia);
        v[10] = double(l.slope);
        v[11] = double(crown);
        v[14] = double(l.Inv1);
        v[15] = std::string("e");
        line->SetXData(codes, v);

        std::fill(v.begin(), v.end(), zero);
        v[0] = std::string("DORADO");
        v[1] = from;
        v[2] = to;
        v[7] = double(l.Len);
        v[8] = lat;
        v[9] = double(l.Dia);
        v[10] = double(l.slope);
        v[11] = double(l.Gr1);
        v[12] = double(l.Gr2);
        v[14] = double(l.Inv1);
        line->SetXData(codes, v);

        std::fill(duv.begin(), duv.end(), zero);
        duv[0] = std::string("DUV");
        duv[1] = double(i);
        duv[2] = double(k.NextLine);
        duv[3] = double(k.UpLine);
        duv[4] = double(k.Branch1);
        duv[5] = double(k.Branch2);
        line->SetXData(duvCodes, duv);
        m.Ui->SetProgress(0);
    }
    app.Update();
}

namespace {

// The window frames the plan just drawn, so that other things in the
// drawing (the marker text at the origin) do not shrink it to a speck.
void FramePlan(const Model& m, CadApplication& app) {
    const int count = std::min(m.LineCount, m.LineUpper());
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    for (int i = 1; i <= count; ++i) {
        const LineRecord& l = m.Lines[static_cast<size_t>(i)];
        for (auto [x, y] : {std::pair<double, double>{l.X1, l.Y1}, {l.X2, l.Y2}}) {
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            x0 = any ? std::min(x0, x) : x;
            y0 = any ? std::min(y0, y) : y;
            x1 = any ? std::max(x1, x) : x;
            y1 = any ? std::max(y1, y) : y;
            any = true;
        }
    }
    if (any) app.ZoomWindow({x0, y0, 0}, {x1, y1, 0});
}

}  // namespace

Outcome AcadPlanCommand(Model& m, CadApplication& app) {
    Outcome result = ConnectAutoCAD(m, app);
    if (!result) AppendLog(m, "ACAD: " + result.message());
    try {
        delobject(m, app);
    } catch (const CadError& e) {
        if (result) result = Outcome::Fail(std::string("The old plan was not erased: ") + e.what());
        AppendLog(m, std::string("ACAD: old plan not erased: ") + e.what());
    }
    try {
        drawline(m, app);
    } catch (const CadError& e) {
        result = Outcome::Fail(std::string("The plan was not drawn completely: ") + e.what());
        m.Ui->SetProgress(0);
        AppendLog(m, std::string("ACAD: plan drawing stopped: ") + e.what());
        m.Ui->MessageBox(result.message());
    }
    app.Update();
    FramePlan(m, app);
    return result;
}

void syncron(Model& m, CadApplication& app) {
    CadDocument& doc = app.ActiveDocument();
    doc.Activate();
    AppendLog(m, "Active Document =" + doc.Name);
    AppendLog(m, "Acad Syncronize Data  ");
    CadSelectionSet* set = nullptr;
    for (int tries = 0; !set; ++tries) {
        try {
            set = &FreshSelectionSet(doc, "TEST3");
            set->Select(5, {0, 8}, {"Line", "sewer"});
        } catch (const CadError& e) {
            if (e.number() != caderr::InvalidInput || tries >= kStepTries) throw;
            set = nullptr;
            DefineInOutBlock(doc);
        }
    }
    const int count = set->Count();
    const int lines = std::min(m.LineCount, m.LineUpper());
    for (int n = 1; n <= count; ++n) {
        m.Ui->SetProgress(ProgressOf(static_cast<double>(n) / count));
        CadEntityPtr e = set->Item(n - 1);
        XData d = e->GetXData("sewer");
        if (d.size() < 9) {
            AppendLog(m, "Syncron: a LINE without SEWER data skipped");
            continue;
        }
        // A point beyond the single range would store inf, which no saved
        // coordinates file reads back.
        const std::optional<float> x1 = SingleValue(e->StartPoint[0]), y1 = SingleValue(e->StartPoint[1]),
                                   x2 = SingleValue(e->EndPoint[0]), y2 = SingleValue(e->EndPoint[1]);
        if (!x1 || !y1 || !x2 || !y2) {
            AppendLog(m, "Syncron: a LINE beyond the plan's range skipped");
            continue;
        }
        e->Color = 6;
        const std::string up = Trim(d[1].text), down = Trim(d[2].text);
        for (int i = 1; i <= lines; ++i) {
            LineRecord& l = m.Lines[static_cast<size_t>(i)];
            if (up == Trim(XText(l.From.view()))) {
                l.X1 = *x1;
                l.Y1 = *y1;
                l.X2 = *x2;
                l.Y2 = *y2;
                l.Latral = XString(d, 8);
                e->Color = 20;
            }
            if (down == Trim(XText(l.to.view()))) {
                l.X2 = *x2;
                l.Y2 = *y2;
            }
        }
    }
    m.Ui->SetProgress(0);
    AppendLog(m, "Syncron...");
    app.Update();
}

Outcome SyncWithAutoCAD(Model& m, CadApplication& app) {
    Outcome connected = ConnectAutoCAD(m, app);
    if (!connected) {
        m.Ui->MessageBox("No drawing to synchronise with.");
        return connected;
    }
    try {
        syncron(m, app);
        return Outcome::Ok();
    } catch (const CadError& e) {
        m.Ui->SetProgress(0);
        m.Ui->MessageBox(e.what());
        return Outcome::Fail(e.what());
    }
}

}  // namespace vd
