#include "profile_drawing/cad_output.h"

#include "cad/cad_document.h"
#include "engine/design_constants.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"

namespace vd {

CadDocument& CadOutput::drawing() const {
    if (!drawing_) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
    return *drawing_;
}

void CadOutput::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                     const std::string& style, const std::string& text) {
    if (blockMode_) return;
    CadDocument& d = drawing();
    const CadPoint p{at.InsertionPoint[0] + x, at.InsertionPoint[1] + y, 0};
    auto t = d.ModelSpace().AddText(text, p, height);
    t->Rotation = angle * kDesignPi / 180;
    t->setLayer(ColourLayerName(colour));
    t->Color = 256;
    t->Height = height;
    // A style the drawing does not hold is refused; the text keeps its own.
    if (CadTextStyle* s = d.TextStyles().Find(Trim(style))) t->StyleName = s->Name;
}

void CadOutput::Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                     const std::string&) {
    CadDocument& d = drawing();
    auto l = d.ModelSpace().AddLine({at.InsertionPoint[0] + x1, at.InsertionPoint[1] + y1, 0},
                                    {at.InsertionPoint[0] + x2, at.InsertionPoint[1] + y2, 0});
    l->setLayer(ColourLayerName(colour));
    l->Color = 256;
}

void CadOutput::Solid(const Placement& at, const std::array<double, 4>& x, const std::array<double, 4>& y,
                      int layerColour) {
    CadDocument& d = drawing();
    auto P = [&](int k) { return CadPoint{at.InsertionPoint[0] + x[k] / 10, at.InsertionPoint[1] + y[k] / 10, 0}; };
    auto s = d.ModelSpace().AddSolid(P(0), P(1), P(2), P(3));
    s->setLayer(NumText(layerColour));
    s->Color = 256;
}

}  // namespace vd
