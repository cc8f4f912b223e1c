// A generated network taken through Process and cut into sheets with the
// default drawing styles, as the profile benchmarks draw it; built once per
// size and seed.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "generated_network.h"
#include "profile_drawing/drawing_settings.h"

namespace vd {

inline Model& ProcessedNetwork(int count, unsigned seed) {
    static std::map<std::pair<int, unsigned>, std::unique_ptr<Model>> models;
    auto& slot = models[{count, seed}];
    if (slot) return *slot;
    slot = std::make_unique<Model>();
    Model& m = *slot;
    GenerateNetwork(m, count, seed);
    ApplyDefaultStyles(m);
    m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
    BuildNetworkLinks(m);
    NameLaterals(m);
    ProcessNetwork(m);
    CutSheets(m, 0);
    return m;
}

}  // namespace vd
