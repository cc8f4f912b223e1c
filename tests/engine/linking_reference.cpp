#include "linking_reference.h"

#include <algorithm>
#include <string>

#include "engine/number_text.h"

namespace vd::test {

namespace {

void RepairFrom(LineRecord& line) {
    std::string base = line.From.trim();
    if (base.size() >= 24) base.resize(23);
    line.From = base + "-1";
}

std::string Shown(const FixedText<25>& name) {
    std::string s = name.str();
    std::replace(s.begin(), s.end(), '\0', ' ');
    return s;
}

}  // namespace

void ReferenceBuildNetworkLinks(Model& m) {
    const int n = std::clamp(m.LineCount, 0, std::min({m.LineUpper(), m.LinkUpper(), 32767}));
    for (int i = 1; i <= n; ++i) {
        m.Links[i].NextLine = 0;
        m.Links[i].Branch1 = 0;
        m.Links[i].UpLine = 0;
        m.Links[i].Branch2 = 0;
    }
    for (int i = 1; i <= n; ++i) {
        m.Ui->SetProgress(static_cast<int>(RoundHalfEven(static_cast<double>(i) / n * 100.0)));
        LineRecord& a = m.Lines[i];
        LinkRecord& ka = m.Links[i];
        std::string t = a.to.rtrim();
        if (t.empty() || t == "0") a.to = "0-" + std::to_string(i);

        for (int j = n; j >= 1; --j) {
            LineRecord& b = m.Lines[j];
            LinkRecord& kb = m.Links[j];
            if (j != i && Trim(b.to.view()) == Trim(a.From.view())) {
                if (ka.UpLine == 0) ka.UpLine = static_cast<int16_t>(j);
                if (CompareText(b.Latral.view(), m.Lines[ka.UpLine].Latral.view()) <= 0)
                    ka.UpLine = static_cast<int16_t>(j);
                b.Gr2 = a.Gr1;
            }
            if (j != i && b.From.view() == a.to.view()) {
                a.Gr2 = b.Gr1;
                ka.NextLine = static_cast<int16_t>(j);
            }
            if (j != i && b.to.view() == a.to.view()) {
                if (kb.Branch1 == 0) {
                    kb.Branch1 = static_cast<int16_t>(i);
                } else if (kb.Branch2 == 0) {
                    kb.Branch2 = static_cast<int16_t>(i);
                } else {
                    std::string text = "Many Bransh To " + Shown(a.to) + "(Maximum = 3)";
                    m.Ui->MessageBox(text);
                    m.Ui->AppendLog(text);
                    return;
                }
            }
            if (j != i && b.From.view() == a.From.view()) {
                m.Ui->AppendLog("Error: Line" + std::to_string(i) + "& Line" + std::to_string(j) + "From" +
                                Shown(a.From) + "!!");
                RepairFrom(a);
            } else if (a.From.view() == a.to.view()) {
                RepairFrom(a);
                m.Ui->AppendLog("Error: Line" + std::to_string(i) + "  From = To  !!");
            }
        }
    }
}

}  // namespace vd::test
