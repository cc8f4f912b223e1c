#include "engine/set_laterals.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/walk.h"
#include "engine/process.h"

namespace vd {

namespace {

bool IsLastLine(const Model& m, int k, int n) {
    int next = LinkedLine(m.Links[k].NextLine, n);
    return next == 0 || m.Links[next].UpLine != k;
}

// Lateral names travel down from each head until a line already carries a
// smaller name than the one above it.
void PushNamesDown(Model& m, int n) {
    std::vector<int> seen(static_cast<std::size_t>(n) + 1, 0);
    for (int L = 1; L <= m.LatCount; ++L) {
        const int h = m.Lat(L, LatFirst);
        if (h < 1 || h > n) continue;
        seen[h] = L;
        int k = h;
        for (;;) {
            const int next = LinkedLine(m.Links[k].NextLine, n);
            if (m.Lines[next].Latral < m.Lines[k].Latral) break;
            k = next;
            if (k == 0) break;
            if (seen[k] == L) {
                LogWalkStop(m, k);
                break;
            }
            seen[k] = L;
            if (m.Lines[k].Latral > m.Lines[h].Latral) m.Lines[k].Latral = m.Lines[h].Latral;
        }
    }
}

// A feeder with the line's own name becomes the main upstream line of the
// line below.
void JoinSameNamedFeeders(Model& m, int i, int n) {
    const int next = LinkedLine(m.Links[i].NextLine, n);
    if (next == 0) return;  // the template row is never written
    for (int16_t b : {m.Links[i].Branch1, m.Links[i].Branch2}) {
        const int f = LinkedLine(b, n);
        if (f > 0 && m.Lines[f].Latral == m.Lines[i].Latral) m.Links[next].UpLine = static_cast<int16_t>(f);
    }
}

}  // namespace

int NumberLateralsByName(Model& m) {
    const int n = UsableLines(m);
    std::vector<int> last;
    for (int k = 1; k <= n; ++k)
        if (IsLastLine(m, k, n)) last.push_back(k);
    std::vector<int> order = last;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return m.Lines[a].Latral < m.Lines[b].Latral; });

    const int count = static_cast<int>(order.size());
    m.LatCount = count;
    m.CreateLatTable(count);
    std::vector<int> seen(static_cast<std::size_t>(n) + 1, 0);
    for (int t = 0; t < count; ++t) {
        const int lat = t + 1;
        m.Ui->SetProgress(static_cast<int>(std::floor(static_cast<double>(last[t]) / n * 100.0)));
        int k = order[t];
        m.LatTable[lat][LatLast] = k;
        while (k != 0) {
            if (seen[k] == lat) {
                LogWalkStop(m, k);
                break;
            }
            seen[k] = lat;
            m.Links[k].LatNo = ClampInt16(lat);
            m.LatTable[lat][LatFirst] = k;
            k = LinkedLine(m.Links[k].UpLine, n);
        }
    }
    return count;
}

void SetLaterals(Model& m) {
    std::string highest;  // kept across the passes
    for (int pass = 1; pass <= 4; ++pass) {
        const int n = UsableLines(m);
        PushNamesDown(m, n);

        for (int i = 1; i <= n; ++i) {
            if (CompareText(m.Lines[i].Latral.view(), highest) > 0) highest = m.Lines[i].Latral.str();
            JoinSameNamedFeeders(m, i, n);
        }
        if (TrimRight(highest) == "0") {
            // Nothing is numbered: no table is left that describes no lines.
            m.LatCount = 0;
            m.CreateLatTable(0);
            continue;
        }
        NumberLateralsByName(m);

        if (m.ProjectFolder.empty())
            AppendLog(m, "temp.asb not written: the project has no folder");
        else
            (void)SaveNetworkText(m, "temp.asb", m.ProjectFolder);  // reports its own failure
        ProcessNetwork(m);
    }
}

}  // namespace vd
