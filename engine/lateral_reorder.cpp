#include "engine/lateral_reorder.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string_view>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "engine/walk.h"
#include "engine/sheet_cutting.h"

namespace vd {

namespace {

enum class Key { LateralName, StartManhole };

std::string_view KeyOf(const Model& m, int line, Key key) {
    return key == Key::LateralName ? m.Lines[line].Latral.view() : m.Lines[line].From.view();
}

void Reorder(Model& m, Key key, bool showProgress) {
    const int n = UsableLines(m);

    // Same-name feeder rule, by lateral name whatever the key.
    for (int j = 1; j <= n; ++j) {
        const int next = LinkedLine(m.Links[j].NextLine, n);
        if (next == 0) continue;  // the template row is never written
        for (int16_t b : {m.Links[j].Branch1, m.Links[j].Branch2}) {
            const int f = LinkedLine(b, n);
            if (f > 0 && m.Lines[f].Latral == m.Lines[j].Latral) m.Links[next].UpLine = static_cast<int16_t>(f);
        }
    }

    std::vector<int> heads;
    for (int i = 1; i <= n; ++i)
        if (LinkedLine(m.Links[i].UpLine, n) == 0) heads.push_back(i);
    std::vector<int> order = heads;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareText(KeyOf(m, a, key), KeyOf(m, b, key)) < 0;
    });

    const int count = static_cast<int>(order.size());
    m.LatCount = count;
    m.CreateLatTable(count);
    std::vector<int> seen(static_cast<std::size_t>(n) + 1, 0);
    for (int t = 0; t < count; ++t) {
        const int lat = t + 1;
        if (showProgress)
            m.Ui->SetProgress(static_cast<int>(std::floor(static_cast<double>(heads[t]) / n * 100.0)));
        int k = order[t];
        m.LatTable[lat][LatFirst] = k;
        for (;;) {
            seen[k] = lat;
            m.Links[k].LatNo = ClampInt16(lat);
            const int next = LinkedLine(m.Links[k].NextLine, n);
            if (next == 0 || m.Links[next].UpLine != k) break;
            if (seen[next] == lat) {
                LogWalkStop(m, next);
                break;
            }
            k = next;
        }
        m.LatTable[lat][LatLast] = k;
    }

    // Chainage from the head of each lateral.
    for (int L = 1; L <= count; ++L) {
        int k = m.Lat(L, LatFirst);
        const int lastLine = m.Lat(L, LatLast);
        if (k < 1 || k > n) continue;
        m.Results[k].Chainage = 0;
        for (int steps = 0; steps < n; ++steps) {
            m.Links[k].LatNo = ClampInt16(L);
            if (k == lastLine) break;
            const int next = LinkedLine(m.Links[k].NextLine, n);
            if (next == 0) break;
            m.Results[next].Chainage = m.Lines[k].Len + m.Results[k].Chainage;
            k = next;
        }
    }

    CutSheets(m, 0);
}

}  // namespace

void SheetByLateral(Model& m) {
    try {
        Reorder(m, Key::LateralName, true);
    } catch (const std::exception& e) {
        m.Ui->MessageBox(e.what());
    }
    m.Ui->SetProgress(0);
}

void SortLateralsByStart(Model& m) {
    if (m.LineCount <= 0) return;
    try {
        Reorder(m, Key::StartManhole, false);
    } catch (const std::exception&) {
    }
}

}  // namespace vd
