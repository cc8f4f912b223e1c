#include "engine/sheet_cutting.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/number_text.h"
#include "engine/walk.h"

namespace vd {

namespace {

// Sheet length in metres of line length for the layout choice.
double SheetLength(const Model& m) {
    switch (m.SheetLayoutMode) {
        case 0: return 700;
        case 2: return 280;
        case 3: {
            // The style page keeps the custom length in this range; a value
            // outside it (a damaged settings file) would cut a sheet per line.
            double r = m.ObjectStyles[26].Rotate;
            if (!std::isfinite(r)) return 1400;
            r = RoundHalfEven(r);
            return (r >= 300 && r <= 8000) ? r : 1400;
        }
        default: return 1400;
    }
}

bool HoldsStrip(const SheetRecord& row) { return row.Band1Start > 0 || row.Band2Start > 0; }

class SheetCutter {
public:
    explicit SheetCutter(Model& m)
        : m_(m),
          n_(UsableLines(m)),
          lats_(std::max(0, std::min(m.LatCount, static_cast<int>(m.LatTable.size()) - 1))),
          placed_(n_ + 1, 0) {}

    void Run() {
        const ObjectStyle& options = m_.ObjectStyles[26];
        m_.MonoSheet = options.DivideLen;
        if (m_.MonoSheet == 0) m_.MonoSheet = 0.5;
        twoStrips_ = m_.MonoSheet == 0.5;
        gap_ = (m_.SheetLayoutMode == 2 || m_.SheetLayoutMode == 4) ? 60 : 50;
        for (int k = 1; k <= lats_; ++k) {
            m_.LatTable[k][LatLayout] = 1;
            m_.LatTable[k][LatSheet] = 0;
        }
        length_ = SheetLength(m_);
        m_.SheetTable.assign(1, SheetRecord{});
        firstStrip_ = twoStrips_;

        for (int k = 1; k <= lats_; ++k) {
            while (m_.LatTable[k][LatSheet] > 0 && k < lats_) ++k;
            int w = k - 1;
            while (w < lats_ && w < k + length_ / 200) {
                ++w;
                if (m_.LatTable[w][LatSheet] != 0) continue;
                double run = LastChainage(w);
                if (run > length_ - 100) {
                    if (x_ > 0) Close(Variant::BeforeLong);
                    Place(w);
                } else if (x_ + run + lateralsOnStrip_ * gap_ < length_) {
                    ++lateralsOnStrip_;
                    Place(w);
                }
            }
            if (linesOnStrip_ > 0) Close(Variant::WindowEnd);
        }

        for (int k = 1; k <= lats_; ++k) {
            if (m_.LatTable[k][LatSheet] == 0) {
                m_.Ui->MessageBox("Error in sheetting");
                break;
            }
        }
        int filled = static_cast<int>(std::count_if(m_.SheetTable.begin(), m_.SheetTable.end(), HoldsStrip));
        m_.SheetCount = std::max(filled, 1);
    }

private:
    enum class Variant { LineDoesNotFit, BeforeLong, WindowEnd };

    double LastChainage(int lateral) const {
        int last = m_.Lat(lateral, LatLast);
        return (last >= 0 && last <= n_) ? m_.Results[last].Chainage : 0.0;
    }

    SheetRecord& Row() { return m_.SheetTable[sheet_]; }

    void Close(Variant v) {
        if (v == Variant::LineDoesNotFit) lateralsOnStrip_ = 1;
        bool empty = linesOnStrip_ == 0;
        x_ = 0;
        linesOnStrip_ = 0;
        // An empty strip has no last position; the drawing takes an end
        // greater than 0 as a strip to draw.
        if (!empty) (firstStrip_ ? Row().Band1End : Row().Band2End) = ClampInt16(pos_);
        // A sheet that holds nothing yet is not left behind blank: the next
        // strip still goes on it.
        if (!firstStrip_ && HoldsStrip(Row())) {
            ++sheet_;
            m_.SheetTable.push_back(SheetRecord{});
            if (v == Variant::BeforeLong) lateralsOnStrip_ = 1;
        }
        firstStrip_ = !firstStrip_ && twoStrips_;
        if (v == Variant::WindowEnd) lateralsOnStrip_ = 0;
    }

    void Place(int lateral) {
        m_.LatTable[lateral][LatSheet] = pos_ + 1;
        m_.LatTable[lateral][LatSheetIdx] = sheet_;
        int j = m_.Lat(lateral, LatLast);
        if (j < 1 || j > n_) return;
        while (j != 0) {
            if (placed_[j]) {
                LogWalkStop(m_, j);
                return;
            }
            const LineRecord& line = m_.Lines[j];
            if (x_ + line.Len > length_) Close(Variant::LineDoesNotFit);
            if (pos_ + 1 > m_.LinkUpper()) return;
            ++linesOnStrip_;
            ++pos_;
            placed_[j] = 1;
            m_.Links[pos_].PosLine = ClampInt16(j);
            if (linesOnStrip_ == 1) (firstStrip_ ? Row().Band1Start : Row().Band2Start) = ClampInt16(pos_);
            m_.Results[j].SheetIdx = static_cast<float>(sheet_);
            Row().DwgNo = ClampInt16(sheet_ + 1);
            x_ += line.Len;
            int up = m_.Links[j].UpLine;
            if (up < 1 || up > n_ || j == m_.Lat(m_.Links[j].LatNo, LatFirst)) return;
            j = up;
        }
    }

    Model& m_;
    int n_;
    int lats_;
    std::vector<char> placed_;
    bool twoStrips_ = false;
    double gap_ = 50;
    double length_ = 1400;
    int sheet_ = 0;
    int pos_ = 0;
    double x_ = 0;
    int linesOnStrip_ = 0;
    int lateralsOnStrip_ = 0;
    bool firstStrip_ = false;  // filling the first strip of a two-strip sheet
};

}  // namespace

void CutSheets(Model& m, int /*mode*/) { SheetCutter(m).Run(); }

}  // namespace vd
